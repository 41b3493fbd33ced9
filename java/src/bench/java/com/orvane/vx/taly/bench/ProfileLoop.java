package com.orvane.vx.taly.bench;

import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.GetOptions;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Queue;
import com.orvane.vx.taly.api.VxException;
import com.orvane.vx.taly.structs.Reasons;
import java.util.concurrent.atomic.AtomicLong;

/**
 * One path of the stack run for a while, for a profiler to sample
 * (scripts/profile.sh): {@code pairs SECONDS} does 100-byte put/get pairs on
 * one thread, {@code pairs64k SECONDS} 64 KiB pairs on one thread,
 * {@code pairs2 SECONDS} 100-byte pairs on two threads with a connection each
 * to one queue; {@code listener SECONDS} puts 64-byte messages on one thread
 * for a MessageListener on the queue manager's thread. Prints the rate.
 */
public final class ProfileLoop {

    private static final String MODEL_QUEUE = "TALY.MODEL.QUEUE";

    private ProfileLoop() {
    }

    public static void main(String[] args) throws Exception {
        long seconds = Long.parseLong(args[1]);
        long count = switch (args[0]) {
            case "pairs" -> pairs(seconds, 100);
            case "pairs64k" -> pairs(seconds, 64 * 1024);
            case "pairs2" -> pairsOnTwoThreads(seconds);
            case "listener" -> listener(seconds);
            default -> throw new IllegalArgumentException(args[0]);
        };
        System.out.printf("%s: %.0f/s%n", args[0], count / (double) seconds);
    }

    private static long pairs(long seconds, int size) {
        try (Connection connection = Connection.connect();
                Queue queue = connection.openDynamic(MODEL_QUEUE, "PROFILE.*", OpenOption.OUTPUT,
                    OpenOption.INPUT_SHARED)) {
            return pairs(queue, seconds, size);
        }
    }

    private static long pairsOnTwoThreads(long seconds) throws Exception {
        try (Connection owner = Connection.connect();
                Queue shared = owner.openDynamic(MODEL_QUEUE, "PROFILE.*", OpenOption.OUTPUT)) {
            long[] counts = new long[2];
            Thread[] threads = new Thread[2];
            for (int t = 0; t < 2; t++) {
                int index = t;
                threads[t] = new Thread(() -> {
                    try (Connection connection = Connection.connect();
                            Queue queue = connection.open(shared.name(), OpenOption.OUTPUT,
                                OpenOption.INPUT_SHARED)) {
                        counts[index] = pairs(queue, seconds, 100);
                    }
                });
                threads[t].start();
            }
            for (Thread thread : threads) {
                thread.join();
            }
            return counts[0] + counts[1];
        }
    }

    private static long pairs(Queue queue, long seconds, int size) {
        byte[] body = new byte[size];
        GetOptions get = GetOptions.builder().bufferSize(size).build();
        long end = System.nanoTime() + seconds * 1_000_000_000L;
        long count = 0;
        long sum = 0;
        while (System.nanoTime() < end) {
            for (int i = 0; i < 1000; i++) {
                body[0] = (byte) i;
                queue.put(new Message(body));
                sum += queue.get(get).body()[0];
            }
            count += 1000;
        }
        return sum == Long.MIN_VALUE ? 0 : count;
    }

    private static long listener(long seconds) throws Exception {
        try (Connection consumer = Connection.connect(); Connection producer = Connection.connect()) {
            Queue queue = consumer.openDynamic(MODEL_QUEUE, "PROFILE.*", OpenOption.INPUT_SHARED);
            Queue target = producer.open(queue.name(), OpenOption.OUTPUT);
            AtomicLong delivered = new AtomicLong();
            queue.registerConsumer((message, call) -> delivered.incrementAndGet());
            consumer.start();
            byte[] body = new byte[64];
            long end = System.nanoTime() + seconds * 1_000_000_000L;
            long put = 0;
            while (System.nanoTime() < end) {
                // Keeps the queue short: the dispatcher is measured, not the depth.
                if (put - delivered.get() > 1000) {
                    Thread.onSpinWait();
                    continue;
                }
                try {
                    target.put(new Message(body));
                    put++;
                } catch (VxException e) {
                    if (e.reason() != Reasons.VXRC_QUEUE_FULL) {
                        throw e;
                    }
                }
            }
            consumer.stop();
            return delivered.get();
        }
    }
}
