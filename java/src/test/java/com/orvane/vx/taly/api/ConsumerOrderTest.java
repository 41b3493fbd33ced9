package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.DynamicTest.dynamicTest;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.stream.Stream;
import org.junit.jupiter.api.DynamicTest;
import org.junit.jupiter.api.TestFactory;

/**
 * A listener that registers and leaves at once, by deregistration, by the
 * close of its queue or by the disconnect, with and without a start of its
 * connection, hears REGISTER first and DEREGISTER last, and START and STOP
 * as a pair: a thousand times each, so that the queue manager's dispatcher
 * is caught at every point of its work.
 */
class ConsumerOrderTest {

    // The order is the queue manager's dispatcher's, the same for both
    // stores; on a database every connect opens a database connection.
    private static final int CYCLES = System.getenv("VXRT_DATABASE") == null ? 1000 : 100;

    private enum Leave { DEREGISTER, CLOSE_QUEUE, DISCONNECT }

    /** The calls expected, each as its type and the consumer's state. */
    private record Variant(Leave leave, boolean start, List<String> calls) {
        @Override
        public String toString() {
            return leave + (start ? " after start" : " without start");
        }
    }

    private static final List<String> STOPPED = List.of("REGISTER/STOPPED", "DEREGISTER/STOPPED");
    private static final List<String> STARTED =
            List.of("REGISTER/ACTIVE", "START/ACTIVE", "STOP/STOPPED", "DEREGISTER/STOPPED");

    /** Keeps the type and state of every call but the messages' (there are none). */
    private static final class Recording implements MessageListener {
        final List<ConsumerCall> calls = new CopyOnWriteArrayList<>();

        @Override
        public void onMessage(Message message, ConsumerCall call) {
            calls.add(call);
        }

        @Override
        public void onCall(ConsumerCall call) {
            calls.add(call);
        }

        List<String> seen() {
            List<String> seen = new ArrayList<>();
            calls.forEach(call -> seen.add(call.type() + "/" + call.state()));
            return seen;
        }
    }

    @TestFactory
    Stream<DynamicTest> registerComesFirstAndDeregisterLast() {
        List<Variant> variants = new ArrayList<>();
        for (Leave leave : Leave.values()) {
            variants.add(new Variant(leave, false, STOPPED));
            variants.add(new Variant(leave, true, STARTED));
        }
        return variants.stream().map(variant -> dynamicTest(variant.toString(), () -> cycle(variant)));
    }

    private static void cycle(Variant variant) {
        for (int i = 0; i < CYCLES; i++) {
            Recording listener = new Recording();
            Connection connection = Connection.connect();
            try {
                Queue queue = connection.open("TALY.QUEUE.1", OpenOption.INPUT_SHARED);
                queue.registerConsumer(listener);
                if (variant.start()) {
                    connection.start();
                }
                if (variant.leave() == Leave.DEREGISTER) {
                    queue.deregisterConsumer();
                } else if (variant.leave() == Leave.CLOSE_QUEUE) {
                    queue.close();
                }
            } finally {
                connection.disconnect();
            }
            assertEquals(variant.calls(), listener.seen(), "cycle " + i);
        }
    }
}
