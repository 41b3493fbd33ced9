package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotSame;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.local.internal.base.NativeLayout;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.Reasons;
import java.io.IOException;
import java.io.UncheckedIOException;
import java.lang.ref.WeakReference;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Consumers registered on a queue get their messages on the queue manager's
 * threads: none lost, none on a caller's thread, held back while stopped,
 * with every registration freed at its deregistration, and a listener that
 * throws or calls back into its connection does no harm.
 */
class ConsumerTest {

    private static final String THREAD_PREFIX = "Taly AsyncConsume Thread. tid: ";
    private static final int NO_ARRAY = -1;

    private Connection connection;
    private Connection producer;
    private Queue queue;
    private Queue target;

    @BeforeEach
    void open() {
        connection = Connection.connect();
        producer = Connection.connect();
        queue = fresh(connection);
        target = producer.open(queue.name(), OpenOption.OUTPUT);
    }

    @AfterEach
    void close() {
        producer.close();
        connection.close();
    }

    /** Keeps every call, the thread it came on, and counts messages down. */
    private static final class Recording implements MessageListener {
        final List<String> bodies = new CopyOnWriteArrayList<>();
        final List<Thread> threads = new CopyOnWriteArrayList<>();
        final List<CallType> calls = new CopyOnWriteArrayList<>();
        // The lengths of the arrays the library passed to each call.
        final List<int[]> arrays = new CopyOnWriteArrayList<>();
        final CountDownLatch messages;
        volatile Runnable inside = () -> { };

        Recording(int expected) {
            messages = new CountDownLatch(expected);
        }

        @Override
        public void onMessage(Message message, ConsumerCall call) {
            bodies.add(message.bodyText());
            threads.add(Thread.currentThread());
            calls.add(call.type());
            arrays.add(ConsumerBridge.arrayLengthsOfThisCall());
            try {
                inside.run();
            } finally {
                messages.countDown();
            }
        }

        @Override
        public void onCall(ConsumerCall call) {
            calls.add(call.type());
            arrays.add(ConsumerBridge.arrayLengthsOfThisCall());
        }

        void await() throws InterruptedException {
            assertTrue(messages.await(60, TimeUnit.SECONDS), "messages left: " + messages.getCount());
        }
    }

    private void put(String text) {
        target.put(Message.text(text));
    }

    @Test
    void messagesFromAnotherThreadArriveOnQueueManagerThreadsNoneLost() throws Exception {
        int count = 1000;
        Recording consumer = new Recording(count);
        List<String> nativeIds = new CopyOnWriteArrayList<>();
        consumer.inside = () -> nativeIds.add(nativeThreadId());
        queue.registerConsumer(consumer);
        connection.start();
        Thread putter = new Thread(() -> {
            for (int i = 0; i < count; i++) {
                put("m" + i);
            }
        });
        putter.start();
        putter.join();
        consumer.await();
        connection.stop();

        Set<String> expected = new HashSet<>();
        for (int i = 0; i < count; i++) {
            expected.add("m" + i);
        }
        assertEquals(count, consumer.bodies.size(), "none twice");
        assertEquals(expected, new HashSet<>(consumer.bodies), "none lost");
        Thread thread = consumer.threads.get(0);
        assertEquals(THREAD_PREFIX + nativeIds.get(0), thread.getName(), "named after the queue manager's thread");
        assertTrue(thread.isDaemon());
        assertNotSame(Thread.currentThread(), thread);
        assertNotSame(putter, thread);
        for (int i = 0; i < count; i++) {
            assertSame(thread, consumer.threads.get(i), "one attached thread from start to stop");
            assertEquals(nativeIds.get(0), nativeIds.get(i), "one queue manager thread from start to stop");
        }
        assertEquals(0, queue.depth());

        // Each message call had all four arrays, the others the context alone.
        assertEquals(List.of(CallType.REGISTER, CallType.START), consumer.calls.subList(0, 2));
        assertEquals(CallType.STOP, consumer.calls.get(count + 2));
        for (int i = 0; i < consumer.calls.size(); i++) {
            int[] lengths = consumer.arrays.get(i);
            if (consumer.calls.get(i) == CallType.MSG_REMOVED) {
                int body = consumer.bodies.get(i - 2).length();
                assertArrayEquals(new int[] {MessageDescriptor.LENGTH, GetMessageOptions.LENGTH, body,
                    NativeLayout.VXCBC_SIZE}, lengths, "call " + i);
            } else {
                assertArrayEquals(new int[] {NO_ARRAY, NO_ARRAY, NO_ARRAY, NativeLayout.VXCBC_SIZE}, lengths,
                        "call " + i + ", " + consumer.calls.get(i));
            }
        }
    }

    /** The kernel's identifier of the calling thread. */
    private static String nativeThreadId() {
        try {
            return Files.readSymbolicLink(Path.of("/proc/thread-self")).getFileName().toString();
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }

    @Test
    void stopHoldsMessagesBackUntilTheNextStart() throws Exception {
        Recording consumer = new Recording(4);
        queue.registerConsumer(consumer);
        connection.start();
        put("first");
        assertTrue(waitFor(() -> consumer.bodies.size() == 1));
        Thread first = consumer.threads.get(0);
        connection.stop();
        put("second");
        put("third");
        put("fourth");
        assertEquals(List.of("first"), consumer.bodies, "no message after stop returned");
        assertEquals(3, queue.depth());
        first.join(60_000);
        assertFalse(first.isAlive(), "the thread was detached at its stop call");

        connection.start();
        consumer.await();
        connection.stop();
        assertEquals(List.of("first", "second", "third", "fourth"), consumer.bodies);
        assertNotSame(first, consumer.threads.get(3));
        assertEquals(List.of(CallType.REGISTER, CallType.START, CallType.MSG_REMOVED, CallType.STOP, CallType.START,
                CallType.MSG_REMOVED, CallType.MSG_REMOVED, CallType.MSG_REMOVED, CallType.STOP), consumer.calls);
    }

    @Test
    void everyDeregistrationFreesItsRegistration() throws Exception {
        int cycles = 1000;
        List<WeakReference<Recording>> gone = new ArrayList<>();
        for (int i = 0; i < cycles; i++) {
            Recording consumer = new Recording(1);
            queue.registerConsumer(consumer);
            connection.start();
            put("cycle " + i);
            consumer.await();
            connection.stop();
            queue.deregisterConsumer();
            assertEquals(CallType.DEREGISTER, consumer.calls.get(consumer.calls.size() - 1),
                    "the deregister call came before deregistration returned");
            assertEquals(List.of("cycle " + i), consumer.bodies);
            gone.add(new WeakReference<>(consumer));
        }
        assertEquals(0, queue.depth(), "no message lost");
        // The library held each listener through a global reference until its
        // deregister call; with those deleted, the collector takes them all.
        for (int attempt = 0; attempt < 100 && gone.stream().anyMatch(r -> r.get() != null); attempt++) {
            System.gc();
            Thread.sleep(10);
        }
        assertEquals(0, gone.stream().filter(r -> r.get() != null).count(), "registrations still held");
    }

    @Test
    void aListenerThatThrowsIsReportedAndTheNextMessageStillArrives() throws Exception {
        List<Exception> reported = new CopyOnWriteArrayList<>();
        List<CallType> reportedIn = new CopyOnWriteArrayList<>();
        Recording consumer = new Recording(2);
        consumer.inside = () -> {
            if (consumer.bodies.size() == 1) {
                throw new IllegalStateException("first message refused");
            }
        };
        queue.registerConsumer(consumer, ConsumerOptions.builder().onFailure((call, e) -> {
            reportedIn.add(call.type());
            reported.add(e);
        }).build());
        put("one");
        put("two");
        connection.start();
        consumer.await();
        connection.stop();
        assertEquals(List.of("one", "two"), consumer.bodies);
        assertEquals(1, reported.size());
        assertEquals("first message refused", reported.get(0).getMessage());
        assertEquals(List.of(CallType.MSG_REMOVED), reportedIn);

        // Without a failure handler, the thread's uncaught exception handler hears of it.
        List<Throwable> uncaught = new CopyOnWriteArrayList<>();
        Thread.UncaughtExceptionHandler before = Thread.getDefaultUncaughtExceptionHandler();
        Thread.setDefaultUncaughtExceptionHandler((thread, e) -> uncaught.add(e));
        try {
            Recording plain = new Recording(2);
            plain.inside = () -> {
                throw new IllegalArgumentException("always");
            };
            queue.registerConsumer(plain);
            put("three");
            put("four");
            connection.start();
            plain.await();
            connection.stop();
            assertEquals(2, uncaught.size());
        } finally {
            Thread.setDefaultUncaughtExceptionHandler(before);
        }
    }

    @Test
    void aListenerCallsItsOwnConnectionAndStopsIt() throws Exception {
        Queue replies = fresh(connection);
        Recording consumer = new Recording(3);
        List<Integer> depths = new CopyOnWriteArrayList<>();
        consumer.inside = () -> {
            replies.put(Message.text("reply"), PutOptions.builder().syncpoint().build());
            connection.commit();
            depths.add(replies.depth());
            if (consumer.bodies.size() == 3) {
                connection.stop();
            }
        };
        queue.registerConsumer(consumer, ConsumerOptions.builder().syncpoint().build());
        for (int i = 0; i < 5; i++) {
            put("request " + i);
        }
        connection.start();
        consumer.await();
        assertTrue(waitFor(() -> consumer.calls.contains(CallType.STOP)));
        assertEquals(List.of(1, 2, 3), depths);
        assertEquals(2, queue.depth(), "two requests wait for the next start");
        assertEquals(3, replies.depth());
    }

    @Test
    void aStopFromAnotherThreadWaitsForTheListenerWhichMayStillCall() throws Exception {
        CountDownLatch inside = new CountDownLatch(1);
        CountDownLatch release = new CountDownLatch(1);
        List<Integer> depths = new CopyOnWriteArrayList<>();
        Recording consumer = new Recording(1);
        consumer.inside = () -> {
            inside.countDown();
            try {
                release.await();
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            depths.add(queue.depth());
        };
        queue.registerConsumer(consumer);
        put("slow");
        connection.start();
        assertTrue(inside.await(60, TimeUnit.SECONDS));
        // The stopper holds the connection's lock and waits for the listener,
        // which then calls on the connection itself.
        Thread stopper = new Thread(connection::stop);
        stopper.start();
        Thread.sleep(100);
        release.countDown();
        stopper.join();
        assertEquals(List.of(0), depths);
        assertEquals(CallType.STOP, consumer.calls.get(consumer.calls.size() - 1),
                "stop returned after the stop call");
    }

    @Test
    void aMessageTooLongStaysAndTheListenerMayGetItItself() throws Exception {
        List<String> fetched = new CopyOnWriteArrayList<>();
        List<ConsumerCall> calls = new CopyOnWriteArrayList<>();
        CountDownLatch done = new CountDownLatch(2);
        queue.registerConsumer((message, call) -> {
            calls.add(call);
            if (call.completion().failed()) {
                fetched.add(queue.get(GetOptions.builder().matchMsgId(message.msgId()).build()).bodyText());
            }
            done.countDown();
        }, ConsumerOptions.builder().maxMessageLength(5).build());
        put("longer than five");
        put("short");
        connection.start();
        assertTrue(done.await(60, TimeUnit.SECONDS));
        connection.stop();
        assertEquals(CallType.MSG_NOT_REMOVED, calls.get(0).type());
        assertEquals(Reasons.VXRC_TRUNCATED_MSG_FAILED, calls.get(0).completion().reason());
        assertEquals(16, calls.get(0).dataLength());
        assertEquals(List.of("longer than five"), fetched);
        assertEquals(CallType.MSG_REMOVED, calls.get(1).type());
        assertEquals(0, queue.depth());
    }

    @Test
    void theEventListenerHearsOfAConsumerKeptFromItsMessages() throws Exception {
        List<ConsumerCall> events = new CopyOnWriteArrayList<>();
        List<int[]> eventArrays = new CopyOnWriteArrayList<>();
        List<CallType> own = new CopyOnWriteArrayList<>();
        CountDownLatch told = new CountDownLatch(1);
        connection.registerEventListener(new EventListener() {
            @Override
            public void onEvent(ConsumerCall call) {
                events.add(call);
                eventArrays.add(ConsumerBridge.arrayLengthsOfThisCall());
                told.countDown();
            }

            @Override
            public void onCall(ConsumerCall call) {
                own.add(call.type());
            }
        });
        queue.registerConsumer(new Recording(1));
        connection.start();
        assertTrue(waitFor(() -> own.contains(CallType.START)));
        queue.set(IntAttribute.INHIBIT_GET, 1);
        assertTrue(told.await(60, TimeUnit.SECONDS));
        assertEquals(CallType.EVENT, events.get(0).type());
        assertEquals(Reasons.VXRC_GET_INHIBITED, events.get(0).completion().reason());
        assertSame(queue, events.get(0).queue());
        assertEquals(ConsumerState.SUSPENDED_TEMPORARILY, events.get(0).state());
        assertArrayEquals(new int[] {NO_ARRAY, NO_ARRAY, NO_ARRAY, NativeLayout.VXCBC_SIZE}, eventArrays.get(0),
                "an event has no descriptor, get options or data, only its context");
        queue.set(IntAttribute.INHIBIT_GET, 0);
        connection.deregisterEventListener();
        assertEquals(List.of(CallType.REGISTER, CallType.START, CallType.STOP, CallType.DEREGISTER), own);
    }

    @Test
    void closingTheQueueOrTheConnectionDeregisters() throws Exception {
        Recording onQueue = new Recording(0);
        queue.registerConsumer(onQueue);
        Queue other = fresh(connection);
        Recording onOther = new Recording(0);
        other.registerConsumer(onOther);
        connection.start();
        assertTrue(waitFor(() -> onQueue.calls.contains(CallType.START) && onOther.calls.contains(CallType.START)));
        queue.close();
        assertEquals(List.of(CallType.REGISTER, CallType.START, CallType.STOP, CallType.DEREGISTER), onQueue.calls);
        connection.close();
        assertEquals(List.of(CallType.REGISTER, CallType.START, CallType.STOP, CallType.DEREGISTER), onOther.calls);
    }

    /** Whether done becomes true within a minute; it is asked again and again. */
    private static boolean waitFor(java.util.function.BooleanSupplier done) throws InterruptedException {
        long end = System.nanoTime() + TimeUnit.MINUTES.toNanos(1);
        while (!done.getAsBoolean()) {
            if (System.nanoTime() > end) {
                return false;
            }
            Thread.sleep(1);
        }
        return true;
    }
}
