package com.orvane.vx.taly.bench;

import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Queue;
import com.orvane.vx.taly.api.VxException;
import com.orvane.vx.taly.structs.Reasons;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;

/**
 * Messages per second put from one Java thread and delivered to a Java
 * listener on the queue manager's dispatcher thread, end to end (the put
 * through the whole stack, the dispatcher's get, TalyConsumerFunction's four
 * arrays and the listener), beside a producer thread and a consumer thread
 * in the same JVM that hand byte arrays over a LinkedBlockingQueue with the
 * same copies: the message copied in on the put and out on the delivery.
 * Not a test: it prints numbers and ratios measured in the same run.
 */
public final class ConsumeBench {

    private static final String MODEL_QUEUE = System.getProperty("bench.model", "TALY.MODEL.QUEUE");
    private static final int MESSAGES = 100_000;
    private static final int WARM_UP = MESSAGES / 10;
    private static final int ROUNDS = 3;

    private ConsumeBench() {
    }

    public static void main(String[] args) throws Exception {
        System.out.println("messages per second, put on one thread, delivered on another");
        System.out.println("(taly: put through the stack, delivered to a MessageListener by the queue manager;");
        System.out.println(" baseline: LinkedBlockingQueue<byte[]>, clone on put and on take)");
        System.out.printf("each figure: %d messages over the wall-clock time from the first put to the last%n",
                MESSAGES);
        System.out.printf("delivery, after a warm-up of %d; the best of %d rounds, taly and baseline taking%n",
                WARM_UP, ROUNDS);
        System.out.println("turns in the same JVM; ratio = taly / baseline, higher is better");
        System.out.println();
        System.out.printf("%-9s %14s %14s %8s%n", "size", "taly", "baseline", "ratio");
        for (int size : new int[] {64, 1024}) {
            taly(size, WARM_UP);
            baseline(size, WARM_UP);
            double taly = 0;
            double baseline = 0;
            for (int round = 0; round < ROUNDS; round++) {
                taly = Math.max(taly, taly(size, MESSAGES));
                baseline = Math.max(baseline, baseline(size, MESSAGES));
            }
            System.out.printf("%-9s %12.0f/s %12.0f/s %8.3f%n", size == 64 ? "64 B" : "1 KiB", taly, baseline,
                    taly / baseline);
            if (size == 64) {
                Summary.row("64 B messages to a MessageListener vs a hand-off between 2 threads", taly, baseline,
                        "/s", ">= 0.4");
            }
        }
    }

    private static double taly(int size, int count) throws Exception {
        try (Connection consumer = Connection.connect(); Connection producer = Connection.connect()) {
            Queue queue = consumer.openDynamic(MODEL_QUEUE, "BENCH.*", OpenOption.INPUT_SHARED);
            Queue target = producer.open(queue.name(), OpenOption.OUTPUT);
            CountDownLatch delivered = new CountDownLatch(count);
            long[] sum = new long[1];
            queue.registerConsumer((message, call) -> {
                sum[0] += message.body()[0];
                delivered.countDown();
            });
            consumer.start();
            byte[] body = new byte[size];
            long began = System.nanoTime();
            for (int i = 0; i < count; i++) {
                body[0] = (byte) i;
                put(target, new Message(body));
            }
            if (!delivered.await(10, TimeUnit.MINUTES)) {
                throw new IllegalStateException(delivered.getCount() + " messages not delivered");
            }
            long elapsed = System.nanoTime() - began;
            consumer.stop();
            return count * 1e9 / elapsed;
        }
    }

    /** Puts, waiting for room when the queue holds its maximum depth. */
    private static void put(Queue target, Message message) {
        for (;;) {
            try {
                target.put(message);
                return;
            } catch (VxException e) {
                if (e.reason() != Reasons.VXRC_QUEUE_FULL) {
                    throw e;
                }
                Thread.yield();
            }
        }
    }

    private static double baseline(int size, int count) throws Exception {
        LinkedBlockingQueue<byte[]> queue = new LinkedBlockingQueue<>();
        long[] sum = new long[1];
        Thread consumer = new Thread(() -> {
            try {
                for (int i = 0; i < count; i++) {
                    sum[0] += queue.take().clone()[0];
                }
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        });
        consumer.start();
        byte[] body = new byte[size];
        long began = System.nanoTime();
        for (int i = 0; i < count; i++) {
            body[0] = (byte) i;
            queue.put(body.clone());
        }
        consumer.join();
        return count * 1e9 / (System.nanoTime() - began);
    }
}
