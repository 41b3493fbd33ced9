package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.SpiConstants;
import java.nio.charset.StandardCharsets;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Conversion of text message data between ASCII, UTF-8 and EBCDIC code page 037. */
class ConversionTest {

    private static final byte[] HELLO_037 = {
        (byte) 0xC8, (byte) 0x85, (byte) 0x93, (byte) 0x93, (byte) 0x96, (byte) 0x6B, (byte) 0x40,
        (byte) 0xE6, (byte) 0x96, (byte) 0x99, (byte) 0x93, (byte) 0x84,
    };

    private PrivateConnection connection;

    @BeforeEach
    void connect() {
        connection = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT);
    }

    @AfterEach
    void disconnect() {
        connection.close();
    }

    @Test
    void asciiToEbcdicAndBack() {
        Message ascii = Message.text("Hello, World").setCodedCharSetId(367);
        ConvertedData ebcdic = connection.convert(ascii, 37, 64);
        assertArrayEquals(HELLO_037, ebcdic.bytes());
        assertEquals(Reasons.VXCC_OK, ebcdic.completion().completionCode());
        assertEquals(0, ebcdic.unmapped());

        Message back = new Message(ebcdic.bytes()).setFormat(Constants.VXFMT_TEXT).setCodedCharSetId(37);
        ConvertedData text = connection.convert(back, 1208, 64);
        assertEquals("Hello, World", new String(text.bytes(), StandardCharsets.UTF_8));
        assertFalse(text.truncated());
    }

    @Test
    void textThatDoesNotFitIsCutWithAWarning() {
        Message ebcdic = new Message(new byte[] {(byte) 0x83, (byte) 0x81, (byte) 0x86, (byte) 0x51})
                .setFormat(Constants.VXFMT_TEXT).setCodedCharSetId(37);
        ConvertedData utf8 = connection.convert(ebcdic, 1208, 4);
        assertEquals(Reasons.VXCC_WARNING, utf8.completion().completionCode());
        assertEquals(Reasons.VXRC_CONVERTED_DATA_TRUNCATED, utf8.completion().reason());
        assertTrue(utf8.truncated());
        assertEquals(5, utf8.fullLength());
        assertEquals("caf ", new String(utf8.bytes(), StandardCharsets.UTF_8));
        assertEquals("café", new String(connection.convert(ebcdic, 1208, 5).bytes(), StandardCharsets.UTF_8));
    }

    @Test
    void unknownCharacterSetsAndNonTextAreRefused() {
        fails(Reasons.VXRC_CCSID_NOT_SUPPORTED, () -> connection.convert(Message.text("x"), 1252, 8));
        fails(Reasons.VXRC_FORMAT_NOT_CONVERTIBLE, () -> connection.convert(new Message(new byte[] {1}), 37, 8));
    }
}
