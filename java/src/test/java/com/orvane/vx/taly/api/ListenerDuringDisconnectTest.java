package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.util.List;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;

/**
 * What a listener meets while another thread disconnects its connection: the
 * disconnect waits for the listener to return, and meanwhile the listener's
 * calls fail with {@code VXRC_HCONN_ERROR} (3001); a message it got under
 * syncpoint goes back to the queue.
 */
class ListenerDuringDisconnectTest {

    @Test
    void aListenersCallsFailWith3001WhileAnotherThreadDisconnects() throws Exception {
        Connection connection = Connection.connect();
        List<Integer> reasons = new CopyOnWriteArrayList<>();
        CountDownLatch inListener = new CountDownLatch(1);
        try (Connection owner = Connection.connect()) {
            Queue kept = owner.openDynamic(TestQueues.MODEL, "JUNIT.*", TestQueues.ALL);
            Queue queue = connection.open(kept.name(), OpenOption.INPUT_SHARED, OpenOption.OUTPUT);
            queue.registerConsumer((message, call) -> {
                inListener.countDown();
                long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(30);
                while (!connection.isClosed() && System.nanoTime() < deadline) {
                    Thread.onSpinWait();
                }
                for (Runnable listenerCall : List.<Runnable>of(queue::depth, connection::commit,
                        () -> queue.put(Message.text("too late")))) {
                    try {
                        listenerCall.run();
                        reasons.add(0);
                    } catch (VxException e) {
                        reasons.add(e.reason());
                    }
                }
            }, ConsumerOptions.builder().syncpoint().build());
            kept.put(Message.text("taken under syncpoint"));
            connection.start();
            assertTrue(inListener.await(30, TimeUnit.SECONDS));
            CompletableFuture<Completion> disconnect = CompletableFuture.supplyAsync(connection::disconnect);
            Completion done = disconnect.get(30, TimeUnit.SECONDS);
            int failed = Reasons.VXRC_HCONN_ERROR;
            assertEquals(List.of(failed, failed, failed), reasons);
            assertEquals(new Completion(1, Reasons.VXRC_BACKED_OUT_AT_DISCONNECT), done,
                    "the listener's unit of work was backed out");
            Message back = kept.get();
            assertEquals("taken under syncpoint", back.bodyText());
            assertEquals(1, back.backoutCount());
        }
    }
}
