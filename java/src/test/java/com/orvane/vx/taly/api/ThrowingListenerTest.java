package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.lang.ref.WeakReference;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * A listener that throws from every call, its deregister call included, is
 * still deregistered and freed: the library lets go of it, the queue
 * manager holds no consumer for its queue any more, and the queue serves the
 * next consumer. Whether the API catches what it throws (an exception) or it
 * reaches the library (an error, which the library clears and reports).
 */
class ThrowingListenerTest {

    /** The library's failure reports from its consumer function, as probe numbers. */
    private static final List<Integer> REPORTS = new CopyOnWriteArrayList<>();
    private static final int CONSUMER_FUNCTION = 41;
    private static final int PROBE_CONSUMER_THREW = 10;
    private static final List<CallType> EVERY_CALL = List.of(CallType.REGISTER, CallType.START,
            CallType.MSG_REMOVED, CallType.MSG_REMOVED, CallType.STOP, CallType.DEREGISTER);

    private Connection connection;
    private Connection producer;
    private Queue queue;
    private Queue target;
    private final List<Throwable> uncaught = new CopyOnWriteArrayList<>();
    private Thread.UncaughtExceptionHandler before;

    @BeforeAll
    static void recordFailureReports() {
        Binding.configure(new NativeTrace() {
            @Override
            public void entry(int component, int function) {
            }

            @Override
            public void exit(int component, int function, int reason) {
            }

            @Override
            public void data(int component, int function, byte[] text, Object data) {
            }

            @Override
            public void krux(int component, int function, int probe, int i1, int i2, int i3, byte[] message,
                    byte[] text1, byte[] text2) {
                if (function == CONSUMER_FUNCTION) {
                    REPORTS.add(probe);
                }
            }
        }, false);
    }

    @BeforeEach
    void open() {
        REPORTS.clear();
        before = Thread.getDefaultUncaughtExceptionHandler();
        Thread.setDefaultUncaughtExceptionHandler((thread, e) -> uncaught.add(e));
        connection = Connection.connect();
        producer = Connection.connect();
        queue = fresh(connection);
        target = producer.open(queue.name(), OpenOption.OUTPUT);
    }

    @AfterEach
    void close() {
        Thread.setDefaultUncaughtExceptionHandler(before);
        producer.close();
        connection.close();
    }

    /** Not an exception: the API's catch lets it through to the library. */
    private static final class Refusal extends Error {
        private static final long serialVersionUID = 1L;

        Refusal(CallType type) {
            super("refused " + type);
        }
    }

    /** Throws from every call, after keeping it. */
    private static final class Refusing implements MessageListener {
        final List<CallType> calls = new CopyOnWriteArrayList<>();
        final CountDownLatch messages;
        final boolean error;

        Refusing(int expected, boolean error) {
            this.messages = new CountDownLatch(expected);
            this.error = error;
        }

        @Override
        public void onMessage(Message message, ConsumerCall call) {
            messages.countDown();
            refuse(call);
        }

        @Override
        public void onCall(ConsumerCall call) {
            refuse(call);
        }

        private void refuse(ConsumerCall call) {
            calls.add(call.type());
            if (error) {
                throw new Refusal(call.type());
            }
            throw new IllegalStateException("refused " + call.type());
        }
    }

    @Test
    void aListenerThatThrowsExceptionsIsStillFreed() throws Exception {
        WeakReference<Refusing> gone = throwFromEveryCall(false);
        assertEquals(EVERY_CALL.size(), uncaught.size(), "the API reported each one");
        assertEquals(List.of(), REPORTS, "the library saw none");
        assertFreed(gone);
    }

    @Test
    void aListenerThatThrowsErrorsIntoTheLibraryIsStillFreed() throws Exception {
        WeakReference<Refusing> gone = throwFromEveryCall(true);
        assertEquals(List.of(), uncaught);
        assertEquals(Collections.nCopies(EVERY_CALL.size(), PROBE_CONSUMER_THREW), REPORTS,
                "the library cleared and reported each one");
        assertFreed(gone);
    }

    /** Registers a listener that throws from every call, gives it two messages and deregisters it. */
    private WeakReference<Refusing> throwFromEveryCall(boolean error) throws InterruptedException {
        Refusing listener = new Refusing(2, error);
        queue.registerConsumer(listener);
        target.put(Message.text("one"));
        target.put(Message.text("two"));
        connection.start();
        assertTrue(listener.messages.await(60, TimeUnit.SECONDS));
        connection.stop();
        queue.deregisterConsumer();
        assertEquals(EVERY_CALL, listener.calls, "the deregister call came before deregistration returned");
        assertEquals(0, queue.depth());
        return new WeakReference<>(listener);
    }

    private void assertFreed(WeakReference<Refusing> gone) throws InterruptedException {
        VxException again = assertThrows(VxException.class, queue::deregisterConsumer);
        assertEquals(Reasons.VXRC_CALLBACK_NOT_REGISTERED, again.reason(), "the queue manager still holds it");

        // Held by a global reference of the library until its deregister call.
        for (int attempt = 0; attempt < 100 && gone.get() != null; attempt++) {
            System.gc();
            Thread.sleep(10);
        }
        assertNull(gone.get(), "the registration is still held");

        // The queue serves its next consumer, which its close deregisters.
        List<CallType> calls = new CopyOnWriteArrayList<>();
        CountDownLatch got = new CountDownLatch(1);
        queue.registerConsumer(new MessageListener() {
            @Override
            public void onMessage(Message message, ConsumerCall call) {
                calls.add(call.type());
                got.countDown();
            }

            @Override
            public void onCall(ConsumerCall call) {
                calls.add(call.type());
            }
        });
        target.put(Message.text("three"));
        connection.start();
        assertTrue(got.await(60, TimeUnit.SECONDS));
        queue.close();
        assertEquals(List.of(CallType.REGISTER, CallType.START, CallType.MSG_REMOVED, CallType.STOP,
                CallType.DEREGISTER), calls);
    }
}
