package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.condition.EnabledIfEnvironmentVariable;

/**
 * Reconnecting: a connection made again keeps its queues and listeners; on
 * a queue manager whose database restarts, calls fail as broken until the
 * connection reconnects, explicitly or, for listeners, by itself.
 */
class ReconnectTest {

    private static Message persistent(String text) {
        return Message.text(text).setPersistence(Persistence.PERSISTENT);
    }

    /** A listener that hands over what it is given: texts, and the other calls as "TYPE reason". */
    private static final class Recording implements MessageListener {
        final BlockingQueue<String> seen = new LinkedBlockingQueue<>();

        @Override
        public void onMessage(Message message, ConsumerCall call) {
            seen.add(message.bodyText());
        }

        @Override
        public void onCall(ConsumerCall call) {
            seen.add(call.type() + " " + call.completion().reason());
        }

        /** The calls up to the given text, which must come within the time. */
        List<String> until(String text, Duration within) throws InterruptedException {
            List<String> calls = new ArrayList<>();
            long end = System.nanoTime() + within.toNanos();
            for (String next; (next = seen.poll(end - System.nanoTime(), TimeUnit.NANOSECONDS)) != null;) {
                calls.add(next);
                if (next.equals(text)) {
                    return calls;
                }
            }
            throw new AssertionError("no '" + text + "' within " + within + "; seen " + calls);
        }
    }

    /** Stops the database server at once, as a crash would, and starts it again. */
    private static void restartServer() throws Exception {
        run("stop -m immediate");
        run("start");
    }

    private static void run(String arguments) throws Exception {
        List<String> command = new ArrayList<>();
        if ("root".equals(System.getProperty("user.name"))) {
            command.addAll(List.of("runuser", "-u", System.getenv("VXRT_PG_OWNER"), "--"));
        }
        command.addAll(Arrays.asList((System.getenv("VXRT_PG_CTL") + " " + arguments).split(" +")));
        ProcessBuilder builder = new ProcessBuilder(command).redirectErrorStream(true)
            .redirectOutput(ProcessBuilder.Redirect.DISCARD);
        // The server is no part of what a sanitizer build checks.
        builder.environment().remove("LD_PRELOAD");
        Process process = builder.start();
        assertEquals(0, process.waitFor(), String.join(" ", command));
    }

    @Test
    void aConnectionMadeAgainKeepsItsQueuesAndListenersAndLosesWhatWasMadeForIt() throws Exception {
        Recording listener = new Recording();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open("TALY.QUEUE.3", OpenOption.INPUT_SHARED, OpenOption.OUTPUT);
                Queue dynamic = connection.openDynamic(Connection.DEFAULT_MODEL_QUEUE, "RECONNECT.*",
                    OpenOption.INPUT_SHARED)) {
            queue.registerConsumer(listener);
            connection.start();
            queue.put(Message.text("one"));
            assertTrue(listener.until("one", Duration.ofSeconds(10)).contains("REGISTER 0"));
            queue.put(Message.text("uncommitted"), PutOptions.builder().syncpoint().build());

            connection.reconnect();
            queue.put(Message.text("two"));
            List<String> calls = listener.until("two", Duration.ofSeconds(10));
            assertEquals(List.of("STOP 0", "DEREGISTER 0", "REGISTER 0", "START 0", "two"), calls,
                "the listener left and came again; the put of the old unit of work never appeared");
            assertTrue(dynamic.isClosed(), "a dynamic queue went with the old handle");
            VxException closed = assertThrows(VxException.class, () -> dynamic.get());
            assertEquals(Reasons.VXRC_HOBJ_ERROR, closed.reason());
        }
    }

    @Test
    @EnabledIfEnvironmentVariable(named = "VXRT_DATABASE", matches = ".+",
        disabledReason = "only a queue manager on a database can lose its store")
    void aCallAfterTheDatabaseRestartedFailsAsBrokenUntilTheConnectionReconnects() throws Exception {
        try (Connection connection = Connection.connect();
                Queue queue = connection.open("TALY.QUEUE.2", OpenOption.INPUT_SHARED, OpenOption.OUTPUT)) {
            queue.put(persistent("before"));
            restartServer();
            VxException broken = assertThrows(VxException.class, () -> queue.put(persistent("lost")));
            assertEquals(Reasons.VXRC_CONNECTION_BROKEN, broken.reason());
            connection.reconnect();
            queue.put(persistent("after"));
            assertEquals("before", queue.receive(Duration.ofSeconds(5)).orElseThrow().bodyText());
            assertEquals("after", queue.receive(Duration.ofSeconds(5)).orElseThrow().bodyText());
        }
    }

    @Test
    @EnabledIfEnvironmentVariable(named = "VXRT_DATABASE", matches = ".+",
        disabledReason = "only a queue manager on a database can lose its store")
    void aReconnectThatFailedWhileTheServerWasDownStillRegistersTheListenerAgain() throws Exception {
        Recording listener = new Recording();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open("TALY.QUEUE.3", OpenOption.INPUT_SHARED, OpenOption.OUTPUT)) {
            queue.registerConsumer(listener);
            connection.start();
            queue.put(persistent("one"));
            listener.until("one", Duration.ofSeconds(10));

            run("stop -m immediate");
            try {
                VxException down = assertThrows(VxException.class, connection::reconnect);
                assertEquals(Reasons.VXRC_STORE_NOT_AVAILABLE, down.reason());
            } finally {
                run("start");
            }
            connection.reconnect();
            queue.put(persistent("two"));
            List<String> calls = listener.until("two", Duration.ofSeconds(10));
            assertTrue(calls.contains("REGISTER 0") && calls.contains("START 0"),
                "registered and started again after the failed try: " + calls);
        }
    }

    @Test
    @EnabledIfEnvironmentVariable(named = "VXRT_DATABASE", matches = ".+",
        disabledReason = "only a queue manager on a database can lose its store")
    void aListenerWhoseConnectionReconnectsOnBreakGetsMessagesAgainAfterARestart() throws Exception {
        Recording listener = new Recording();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open("TALY.QUEUE.1", OpenOption.INPUT_SHARED);
                Connection producer = Connection.connect();
                Queue out = producer.open("TALY.QUEUE.1", OpenOption.OUTPUT)) {
            connection.reconnectOnBreak(Duration.ofMillis(100), Duration.ofSeconds(1));
            queue.registerConsumer(listener);
            connection.start();
            out.put(persistent("one"));
            listener.until("one", Duration.ofSeconds(10));

            restartServer();
            assertThrows(VxException.class, () -> out.put(persistent("lost")));
            producer.reconnect();
            out.put(persistent("two"));
            List<String> calls = listener.until("two", Duration.ofSeconds(60));
            assertTrue(calls.stream().anyMatch(c -> c.equals("EVENT " + Reasons.VXRC_CONNECTION_BROKEN)
                    || c.equals("EVENT " + Reasons.VXRC_STORE_NOT_AVAILABLE)),
                "the listener was told of the break: " + calls);
            assertTrue(calls.contains("REGISTER 0") && calls.contains("START 0"),
                "and registered and started again: " + calls);
        }
    }
}
