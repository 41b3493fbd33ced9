package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.time.Duration;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Gets that wait: they end at their timeout, or when a put from another
 * thread, or a commit that makes a put visible, brings a message. The waits
 * are long (20 s) so that only a wake-up ends them in time; the checks on
 * elapsed time only show that the getter did wait before the message came.
 */
class WaitTest {

    private static final Duration LONG_WAIT = Duration.ofSeconds(20);
    private static final long PAUSE_MS = 300;

    private final ExecutorService getter = Executors.newSingleThreadExecutor();
    private Connection owner;
    private Queue queue;

    @BeforeEach
    void open() {
        owner = Connection.connect();
        queue = fresh(owner);
    }

    @AfterEach
    void close() throws InterruptedException {
        getter.shutdownNow();
        assertTrue(getter.awaitTermination(30, TimeUnit.SECONDS));
        owner.close();
    }

    @Test
    void aWaitEndsAtItsTimeoutWithNoMessage() {
        long start = System.nanoTime();
        fails(Reasons.VXRC_NO_MSG_AVAILABLE,
                () -> queue.get(GetOptions.builder().waitFor(Duration.ofMillis(200)).build()));
        long waited = TimeUnit.NANOSECONDS.toMillis(System.nanoTime() - start);
        assertTrue(waited >= 190, "waited " + waited + " ms");
    }

    @Test
    void aPutFromAnotherThreadWakesAWaitingGet() throws Exception {
        CompletableFuture<Long> waited = waitOnAnotherConnection();
        Thread.sleep(PAUSE_MS);
        queue.put(new Message(bytes("wake up")));
        assertTrue(waited.get(15, TimeUnit.SECONDS) >= PAUSE_MS - 50, "the get waited for the put");
    }

    @Test
    void aCommitThatMakesAPutVisibleWakesAWaitingGet() throws Exception {
        queue.put(new Message(bytes("wake up")), PutOptions.builder().syncpoint().build());
        CompletableFuture<Long> waited = waitOnAnotherConnection();
        Thread.sleep(PAUSE_MS);
        assertTrue(!waited.isDone(), "an uncommitted put does not end the wait");
        owner.commit();
        assertTrue(waited.get(15, TimeUnit.SECONDS) >= PAUSE_MS - 50, "the get waited for the commit");
    }

    @Test
    void aBackedOutPutLeavesTheGetWaitingUntilItsTimeout() throws Exception {
        queue.put(new Message(bytes("never seen")), PutOptions.builder().syncpoint().build());
        CompletableFuture<Throwable> outcome = CompletableFuture.supplyAsync(() -> {
            try (Connection other = Connection.connect(); Queue same = other.open(queue.name(), OpenOption.INPUT_SHARED)) {
                same.get(GetOptions.builder().waitFor(Duration.ofMillis(PAUSE_MS * 2)).build());
                return null;
            } catch (VxException e) {
                return e;
            }
        }, getter);
        Thread.sleep(PAUSE_MS);
        owner.backout();
        Throwable failure = outcome.get(15, TimeUnit.SECONDS);
        assertTrue(failure instanceof VxException, String.valueOf(failure));
        assertEquals(Reasons.VXRC_NO_MSG_AVAILABLE, ((VxException) failure).reason());
        assertEquals(0, queue.depth());
    }

    /** Starts a get with a long wait on a connection of its own; completes with the milliseconds it took. */
    private CompletableFuture<Long> waitOnAnotherConnection() {
        return CompletableFuture.supplyAsync(() -> {
            try (Connection other = Connection.connect(); Queue same = other.open(queue.name(), OpenOption.INPUT_SHARED)) {
                long start = System.nanoTime();
                Message message = same.get(GetOptions.builder().waitFor(LONG_WAIT).build());
                assertEquals("wake up", message.bodyText());
                return TimeUnit.NANOSECONDS.toMillis(System.nanoTime() - start);
            }
        }, getter);
    }
}
