package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import java.util.List;
import org.junit.jupiter.api.Test;

/**
 * Message type, persistence and priority as the API's own types, through a
 * put and a get; properties that print their type by name; the put-one and
 * publish calls without options.
 */
class MessageFieldsTest {

    /** Set before the put, expected after the get (as-queue values resolve to the queue's defaults). */
    private record Fields(MessageType type, Priority priority, Persistence persistence, Priority gotPriority,
            Persistence gotPersistence) {
    }

    @Test
    void typePriorityAndPersistenceTravelWithTheMessage() {
        Fields[] cases = {
            new Fields(MessageType.DATAGRAM, Priority.AS_QUEUE, Persistence.AS_QUEUE, Priority.LOWEST,
                    Persistence.NOT_PERSISTENT),
            new Fields(MessageType.REQUEST, Priority.of(5), Persistence.PERSISTENT, Priority.of(5),
                    Persistence.PERSISTENT),
            new Fields(MessageType.REPLY, Priority.HIGHEST, Persistence.NOT_PERSISTENT, Priority.HIGHEST,
                    Persistence.NOT_PERSISTENT),
            new Fields(MessageType.REPORT, Priority.LOWEST, Persistence.PERSISTENT, Priority.LOWEST,
                    Persistence.PERSISTENT),
            new Fields(MessageType.of(65536), Priority.of(3), Persistence.AS_QUEUE, Priority.of(3),
                    Persistence.NOT_PERSISTENT),
        };
        try (Connection connection = Connection.connect(); Queue queue = fresh(connection)) {
            int defaultPriority = queue.inquire(IntAttribute.DEFAULT_PRIORITY);
            assertEquals(Priority.LOWEST.value(), defaultPriority, "the cases expect the model's default");
            for (Fields c : cases) {
                Message sent = Message.text(c.toString()).setMessageType(c.type()).setPriority(c.priority())
                        .setPersistence(c.persistence());
                assertEquals(c.priority(), sent.priority(), "as set before the put");
                queue.put(sent);
                Message got = queue.get();
                assertEquals(c.type(), got.messageType(), c.toString());
                assertEquals(c.gotPriority(), got.priority(), c.toString());
                assertEquals(c.gotPersistence(), got.persistence(), c.toString());
            }
        }
    }

    @Test
    void theTypesCheckTheirValuesAndPrintTheirNames() {
        Message fresh = new Message();
        assertEquals(List.of(MessageType.DATAGRAM, Priority.AS_QUEUE, Persistence.AS_QUEUE),
                List.of(fresh.messageType(), fresh.priority(), fresh.persistence()), "a new message's defaults");
        assertSame(MessageType.REQUEST, MessageType.of(Constants.VXMT_REQUEST));
        assertEquals(MessageType.of(70000), MessageType.of(70000));
        assertNotEquals(MessageType.of(70000), MessageType.of(70001));
        assertEquals("REPLY", MessageType.REPLY.toString());
        assertEquals("MessageType(70000)", MessageType.of(70000).toString());
        assertSame(Priority.of(9), Priority.HIGHEST);
        assertEquals("AS_QUEUE", Priority.AS_QUEUE.toString());
        assertEquals("7", Priority.of(7).toString());
        assertTrue(Priority.AS_QUEUE.compareTo(Priority.LOWEST) < 0 && Priority.of(8).compareTo(Priority.of(2)) > 0);
        for (int bad : new int[] {-1, 10, Integer.MIN_VALUE}) {
            assertThrows(IllegalArgumentException.class, () -> Priority.of(bad), "priority " + bad);
            assertThrows(IllegalArgumentException.class, () -> new Message().setPriority(bad), "priority " + bad);
        }

        assertEquals("lot=7 (INT32)", Property.of("lot", 7).toString());
        assertEquals("flag=true (BOOLEAN)", Property.of("flag", true).toString());
        assertEquals("raw=[1, 2] (BYTES)", Property.of("raw", new byte[] {1, 2}).toString());
        assertEquals(PropertyType.FLOAT64, Property.of("x", 1.5).type());
        assertEquals(Double.class, PropertyType.FLOAT64.valueClass());
        assertThrows(IllegalArgumentException.class, () -> Property.of("bad", new Object()));
    }

    @Test
    void putOneAndPublishNeedNoOptions() {
        try (Connection connection = Connection.connect(); Queue queue = fresh(connection);
                Subscription subscription = connection.subscribe(SubscribeOptions.to("fields/*").build())) {
            assertEquals(Completion.OK, connection.putOne(queue.name(), Message.text("one")));
            assertEquals("one", queue.get().bodyText());
            assertEquals(Completion.OK, connection.publish("fields/news", Message.text("published")));
            assertEquals("published", subscription.queue().get().bodyText());
        }
    }
}
