package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import java.util.List;
import java.util.Optional;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Message handles and properties through the whole stack: types, inquiry, travel with messages, buffer form. */
class PropertiesTest {

    private static final List<Property> EVERY_TYPE = List.of(
            Property.of("flag", true),
            Property.of("raw", new byte[] {0, -1, 7}),
            Property.of("text", "grüße"),
            Property.of("tiny", (byte) -128),
            Property.of("small", (short) 32767),
            Property.of("count", 42),
            Property.of("big", Long.MIN_VALUE),
            Property.of("ratio", 0.75f),
            Property.of("precise", -1.0e300),
            Property.of("long.text", "x".repeat(5000)));

    private Connection connection;
    private Queue queue;

    @BeforeEach
    void open() {
        connection = Connection.connect();
        queue = fresh(connection);
    }

    @AfterEach
    void close() {
        connection.close();
    }

    private MessageHandle handleWithEveryType() {
        MessageHandle handle = connection.createMessageHandle();
        for (Property p : EVERY_TYPE) {
            handle.set(p);
        }
        return handle;
    }

    @Test
    void propertiesOfEveryTypeTravelWithTheMessageAndAreInquiredOneByOne() {
        try (MessageHandle sent = handleWithEveryType(); MessageHandle received = connection.createMessageHandle()) {
            assertTrue(sent.value() >>> 32 != 0, "the handle's high word is not zero: " + sent);
            queue.put(Message.text("with properties"), PutOptions.builder().properties(sent).build());
            Message got = queue.get(GetOptions.builder().properties(received).build());
            assertEquals("with properties", got.bodyText());
            assertEquals(EVERY_TYPE, received.properties(), "same names, types and values, in order");
            assertEquals(PropertyType.INT16, received.get("small").orElseThrow().type());
            assertEquals((short) 32767, received.get("small").orElseThrow().value());
            assertArrayEquals(new byte[] {0, -1, 7}, (byte[]) received.get("raw").orElseThrow().value());
            assertEquals(List.of("long.text"),
                    received.properties("long%").stream().map(Property::name).toList());

            assertEquals(Completion.OK, received.delete("count"));
            assertEquals(Optional.empty(), received.get("count"));
            fails(Reasons.VXRC_PROPERTY_NOT_AVAILABLE, () -> received.delete("count"));
            received.set("count", 43);
            assertEquals(43, received.get("count").orElseThrow().value());
            assertEquals("count", received.properties().get(EVERY_TYPE.size() - 1).name(), "set again: last");
        }
    }

    @Test
    void propertiesSetOnAMessageComeBackOnAGetThatAsksForThem() {
        Message sent = Message.text("plain").setProperty("region", "north").setProperty("urgent", true);
        queue.put(sent);
        queue.put(sent);
        Message with = queue.get(GetOptions.builder().withProperties().build());
        assertEquals(List.of(Property.of("region", "north"), Property.of("urgent", true)), with.properties());
        Message without = queue.get();
        assertEquals(List.of(), without.properties(), "a get that does not ask leaves them");
        assertEquals(Optional.empty(), without.property("region"));
        without.removeProperty("region");
        assertEquals(List.of(), without.properties(), "removing what is not there does nothing");
        sent.removeProperty("region").removeProperty("urgent");
        queue.put(sent);
        assertEquals(List.of(), queue.get(GetOptions.builder().withProperties().build()).properties(),
                "a message whose properties were all removed carries none");
    }

    @Test
    void aHandlesBufferFormGivesTheSamePropertiesBack() {
        try (MessageHandle source = handleWithEveryType(); MessageHandle copy = connection.createMessageHandle();
                MessageHandle some = connection.createMessageHandle()) {
            byte[] block = source.toBuffer("%");
            assertEquals(EVERY_TYPE.size(), copy.fromBuffer(block));
            assertEquals(EVERY_TYPE, copy.properties());
            assertArrayEquals(block, copy.toBuffer("%"), "and the same block again");
            assertEquals(2, some.fromBuffer(source.toBuffer("t%")));
            assertEquals(List.of("text", "tiny"), some.properties().stream().map(Property::name).toList());

            byte[] damaged = block.clone();
            damaged[8] ^= 0x40;
            fails(Reasons.VXRC_PROPERTIES_BUFFER_ERROR, () -> some.fromBuffer(damaged));
            fails(Reasons.VXRC_PROPERTIES_BUFFER_ERROR, () -> some.fromBuffer(new byte[3]));
            assertEquals(2, some.properties().size(), "nothing of a damaged block was set");
        }
    }

    @Test
    void aPublicationCarriesItsPropertiesToEverySubscriber() {
        try (Subscription first = connection.subscribe(SubscribeOptions.to("props/*").build());
                Subscription second = connection.subscribe(SubscribeOptions.to("props/**").build())) {
            connection.publish("props/x", Message.text("story").setProperty("headline", "big"), PutOptions.DEFAULTS);
            for (Subscription s : List.of(first, second)) {
                Message got = s.queue().get(GetOptions.builder().withProperties().build());
                assertEquals(Optional.of(Property.of("headline", "big")), got.property("headline"));
            }
        }
    }

    @Test
    void badHandlesAndNamesFailWithCompletionCode2AndTheirReasons() {
        MessageHandle deleted = connection.createMessageHandle();
        deleted.close();
        fails(Reasons.VXRC_HMSG_ERROR, () -> deleted.set("a", 1));
        queue.put(Message.text("stays"));
        fails(Reasons.VXRC_HMSG_ERROR, () -> queue.get(GetOptions.builder().properties(deleted).build()));
        assertEquals("stays", queue.get().bodyText(), "the refused get took nothing");
        try (Connection other = Connection.connect(); MessageHandle foreign = other.createMessageHandle()) {
            fails(Reasons.VXRC_HMSG_ERROR,
                    () -> queue.put(Message.text("x"), PutOptions.builder().properties(foreign).build()));
        }
        assertEquals(0, queue.depth());
        try (MessageHandle handle = connection.createMessageHandle()) {
            fails(Reasons.VXRC_PROPERTY_NAME_ERROR, () -> handle.set("1st", 1));
            fails(Reasons.VXRC_PROPERTY_NAME_ERROR, () -> handle.set("x".repeat(129), 1));
            fails(Reasons.VXRC_PROPERTY_NAME_ERROR, () -> handle.delete("a%"));
            assertEquals(Optional.empty(), handle.get("absent"));
        }
    }
}
