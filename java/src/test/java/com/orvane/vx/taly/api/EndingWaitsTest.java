package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertInstanceOf;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.time.Duration;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.function.Consumer;
import org.junit.jupiter.api.Test;

/**
 * A get that waits without limit ends when another thread closes its queue
 * or connection, or interrupts it; and other threads' calls on the same
 * connection go on while it waits. Every wait here would last for ever if
 * nothing ended it; a failed test ends at the harness's timeout.
 */
class EndingWaitsTest extends FreshQueue {

    private static final GetOptions UNLIMITED = GetOptions.builder().waitUnlimited().build();
    private static final long SECOND_NS = TimeUnit.SECONDS.toNanos(1);


    /** A closer, the reason the waiting get ends with, and what it closes. */
    private record Closing(String what, int reason, Consumer<EndingWaitsTest> close) {
    }

    @Test
    void aCloseFromAnotherThreadEndsAnUnlimitedWaitWithinASecond() throws Exception {
        Closing[] closings = {
            new Closing("the queue", Reasons.VXRC_HOBJ_ERROR, t -> t.queue.close()),
            new Closing("the queue, deleting it", Reasons.VXRC_HOBJ_ERROR, t -> t.queue.close(CloseOption.DELETE)),
            new Closing("the connection", Reasons.VXRC_HCONN_ERROR, t -> t.connection.close()),
            new Closing("the connection by disconnect", Reasons.VXRC_HCONN_ERROR, t -> t.connection.disconnect()),
        };
        for (Closing closing : closings) {
            connection.close();
            open();
            CompletableFuture<Throwable> waiting = waitingGet(queue, UNLIMITED);
            Thread.sleep(3 * Queue.WAIT_SLICE_MILLIS);
            assertTrue(!waiting.isDone(), "the get waits");
            long start = System.nanoTime();
            closing.close().accept(this);
            Throwable ended = waiting.get(30, TimeUnit.SECONDS);
            long took = System.nanoTime() - start;
            assertTrue(took < SECOND_NS, closing.what() + " took " + took / 1_000_000 + " ms");
            VxException e = assertInstanceOf(VxException.class, ended, closing.what());
            assertEquals(closing.reason(), e.reason(), e.getMessage());
            assertTrue(e.getMessage().contains("closed"), e.getMessage());
            assertTrue(queue.isClosed());
        }
    }

    @Test
    void anInterruptEndsAWaitAndTheInterruptStatusStays() throws Exception {
        for (GetOptions wait : new GetOptions[] {UNLIMITED, GetOptions.builder().waitFor(Duration.ofHours(1)).build()}) {
            AtomicBoolean stillInterrupted = new AtomicBoolean();
            CountDownLatch waitingNow = new CountDownLatch(1);
            CompletableFuture<Throwable> ended = new CompletableFuture<>();
            Thread getter = new Thread(() -> {
                waitingNow.countDown();
                try {
                    queue.get(wait);
                    ended.complete(null);
                } catch (RuntimeException e) {
                    stillInterrupted.set(Thread.currentThread().isInterrupted());
                    ended.complete(e);
                }
            });
            getter.start();
            waitingNow.await();
            Thread.sleep(3 * Queue.WAIT_SLICE_MILLIS);
            long start = System.nanoTime();
            getter.interrupt();
            Throwable thrown = ended.get(30, TimeUnit.SECONDS);
            assertTrue(System.nanoTime() - start < SECOND_NS, "the interrupt ended the wait at once");
            WaitInterruptedException e = assertInstanceOf(WaitInterruptedException.class, thrown);
            assertInstanceOf(InterruptedException.class, e.getCause());
            assertTrue(stillInterrupted.get(), "the interrupt status is kept");
            getter.join();
        }
        queue.put(Message.text("still works"));
        assertEquals("still works", queue.get(UNLIMITED).bodyText(), "the queue is unharmed");
    }

    @Test
    void anInterruptedThreadDoesNotStartAWaitButGetsWithoutOne() {
        queue.put(Message.text("ready"));
        Thread.currentThread().interrupt();
        try {
            assertThrows(WaitInterruptedException.class, () -> queue.get(UNLIMITED));
            assertTrue(Thread.currentThread().isInterrupted());
            assertEquals("ready", queue.get().bodyText(), "a get without a wait is no wait to end");
        } finally {
            Thread.interrupted();
        }
        assertEquals(0, queue.depth(), "the refused wait took nothing");
    }

    @Test
    void anotherThreadsPutOnTheSameConnectionReachesTheWaitingGet() throws Exception {
        CompletableFuture<Throwable> waiting = waitingGet(queue, UNLIMITED);
        Thread.sleep(3 * Queue.WAIT_SLICE_MILLIS);
        queue.put(Message.text("over the same connection"));
        assertEquals(null, waiting.get(30, TimeUnit.SECONDS), "the get took the message");
        assertEquals(0, queue.depth());
    }

    /** A get on another thread; completes with what it threw, or null once it got a message. */
    private static CompletableFuture<Throwable> waitingGet(Queue queue, GetOptions options) {
        CompletableFuture<Throwable> ended = new CompletableFuture<>();
        Thread getter = new Thread(() -> {
            try {
                queue.get(options);
                ended.complete(null);
            } catch (RuntimeException e) {
                ended.complete(e);
            }
        });
        getter.setDaemon(true);
        getter.start();
        return ended;
    }
}
