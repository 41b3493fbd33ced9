package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.SpiConstants;
import java.util.Arrays;
import java.util.Map;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The privileged connect, the private open, put, get and syncpoint, and queue administration. */
class AdministrationTest {

    private PrivateConnection admin;

    @BeforeEach
    void connect() {
        admin = PrivateConnection.connect(null, 42);
    }

    @AfterEach
    void disconnect() {
        admin.close();
    }

    @Test
    void theEnvironmentValueReachesTheQueueManagerAndComesBack() {
        assertEquals(42, admin.environment());
        try (PrivateConnection none = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT)) {
            assertEquals(SpiConstants.LPI_NO_ENVIRONMENT, none.environment());
        }
        fails(Reasons.VXRC_ENVIRONMENT_ERROR, () -> PrivateConnection.connect(null, -2));
    }

    @Test
    void defineLikeAQueuePutGetInquireAndDelete() {
        admin.defineQueue("JUNIT.ADMIN.DEFINED", 0, TestQueues.LOCAL, Map.of(IntAttribute.MAX_DEPTH, 5));
        assertArrayEquals(new int[] {5, Constants.VXQT_LOCAL, 0},
                admin.inquireQueue("JUNIT.ADMIN.DEFINED", IntAttribute.MAX_DEPTH, IntAttribute.QUEUE_TYPE,
                        IntAttribute.CURRENT_DEPTH));

        try (PrivateConnection.PrivateQueue queue = admin.open("JUNIT.ADMIN.DEFINED", OpenOption.OUTPUT,
                OpenOption.INPUT_SHARED)) {
            byte[] id = queue.put(new Message(bytes("first")), PutOptions.DEFAULTS, SpiConstants.LPIPO_NONE);
            assertFalse(Arrays.equals(id, new byte[24]));
            Message got = queue.get(GetOptions.DEFAULTS, SpiConstants.LPIGO_NONE);
            assertEquals("first", got.bodyText());
            assertArrayEquals(id, got.msgId());
            // Open: the queue stays.
            fails(Reasons.VXRC_OBJECT_IN_USE, () -> {
                admin.deleteQueue("JUNIT.ADMIN.DEFINED", true);
                return null;
            });
        }
        admin.deleteQueue("JUNIT.ADMIN.DEFINED", false);
        fails(Reasons.VXRC_UNKNOWN_OBJECT_NAME, () -> admin.inquireQueue("JUNIT.ADMIN.DEFINED",
                IntAttribute.CURRENT_DEPTH));
    }

    @Test
    void privateOptionsOverrideTheSyncpointAndTheSyncpointCallCommitsOrBacksOut() {
        admin.defineQueue("JUNIT.ADMIN.UOW", Constants.VXQT_LOCAL, null, Map.of());
        try (PrivateConnection.PrivateQueue queue = admin.open("JUNIT.ADMIN.UOW", OpenOption.OUTPUT,
                OpenOption.INPUT_SHARED)) {
            queue.put(new Message(bytes("kept")), PutOptions.DEFAULTS, SpiConstants.LPIPO_SYNCPOINT);
            queue.put(new Message(bytes("dropped")), PutOptions.DEFAULTS, SpiConstants.LPIPO_SYNCPOINT);
            assertEquals(2, depth());
            GetOptions noWait = GetOptions.builder().waitUnlimited().build();
            fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get(noWait, SpiConstants.LPIGO_NO_WAIT));
            admin.commit();
            queue.get(GetOptions.DEFAULTS, SpiConstants.LPIGO_SYNCPOINT);
            admin.backout();
            assertEquals(2, depth());
        }
        admin.deleteQueue("JUNIT.ADMIN.UOW", true);
    }

    @Test
    void refusalsNameWhatWasWrong() {
        VxException e = fails(Reasons.VXRC_ATTR_VALUE_ERROR, () -> {
            admin.defineQueue("JUNIT.ADMIN.BAD", 0, null, Map.of(IntAttribute.DEFAULT_PRIORITY, 10));
            return null;
        });
        assertTrue(e.getMessage().contains("attribute " + Constants.VXIA_DEFAULT_PRIORITY), e.getMessage());
        fails(Reasons.VXRC_OBJECT_ALREADY_EXISTS, () -> {
            admin.defineQueue(TestQueues.LOCAL, 0, null, Map.of());
            return null;
        });
        fails(Reasons.VXRC_LIKE_OBJECT_ERROR, () -> {
            admin.defineQueue("JUNIT.ADMIN.BAD", 0, "NO.SUCH.QUEUE", Map.of());
            return null;
        });
    }

    private int depth() {
        return admin.inquireQueue("JUNIT.ADMIN.UOW", IntAttribute.CURRENT_DEPTH)[0];
    }
}
