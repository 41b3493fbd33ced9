package com.orvane.vx.taly.bench;

import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.GetOptions;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Persistence;
import com.orvane.vx.taly.api.PutOptions;
import com.orvane.vx.taly.api.Queue;
import com.orvane.vx.taly.api.VxException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Duration;
import java.util.Arrays;

/**
 * The database store from Java, one role per process: persistent 1 KiB
 * messages put and committed one by one, or got and committed one by one,
 * on the queue manager that VXRT_DATABASE names; and the latency of a get
 * waiting in one process for a commit in another. The driver (db_bench)
 * starts the processes and reads what they print. Each says "ready" once
 * connected, waits for the file GO to exist, then works:
 *
 * <pre>
 *   DbBench produce COUNT GO    prints "done NANOTIME" when finished
 *   DbBench consume COUNT GO    the same, once COUNT messages are got
 *   DbBench wait COUNT GO       gets COUNT messages with a wait, printing
 *                               "got N NANOTIME" as each get returns
 *   DbBench send COUNT GO GAPMS puts COUNT messages, GAPMS apart, printing
 *                               "sent N NANOTIME" as each commit returns
 * </pre>
 * Times are System.nanoTime, the machine's monotonic clock, the same in
 * every process.
 */
public final class DbBench {
    private static final String QUEUE = "BENCH.Q";
    private static final String LATENCY_QUEUE = "BENCH.LATENCY";
    private static final int SIZE = 1024;

    private DbBench() {
    }

    public static void main(String[] args) throws Exception {
        String role = args[0];
        int count = Integer.parseInt(args[1]);
        Path go = Path.of(args[2]);
        switch (role) {
            case "produce" -> produce(QUEUE, count, go, 0, false);
            case "consume" -> consume(QUEUE, count, go, false);
            case "send" -> produce(LATENCY_QUEUE, count, go, Integer.parseInt(args[3]), true);
            case "wait" -> consume(LATENCY_QUEUE, count, go, true);
            default -> throw new IllegalArgumentException(role);
        }
    }

    private static void ready(Path go) throws InterruptedException {
        System.out.println("ready");
        System.out.flush();
        while (!Files.exists(go)) {
            Thread.sleep(1);
        }
    }

    private static void produce(String queueName, int count, Path go, int gapMillis, boolean stamp)
            throws InterruptedException {
        byte[] body = new byte[SIZE];
        Arrays.fill(body, (byte) 'x');
        PutOptions options = PutOptions.builder().syncpoint().build();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open(queueName, OpenOption.OUTPUT)) {
            ready(go);
            for (int i = 0; i < count; ++i) {
                Message message = new Message(body).setPersistence(Persistence.PERSISTENT);
                queue.put(message, options);
                connection.commit();
                if (stamp) {
                    System.out.println("sent " + i + " " + System.nanoTime());
                    Thread.sleep(gapMillis);
                }
            }
            System.out.println("done " + System.nanoTime());
        }
    }

    private static void consume(String queueName, int count, Path go, boolean stamp)
            throws InterruptedException {
        GetOptions options = GetOptions.builder().syncpoint().waitFor(Duration.ofSeconds(30))
            .bufferSize(SIZE).build();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open(queueName, OpenOption.INPUT_SHARED)) {
            ready(go);
            for (int i = 0; i < count; ++i) {
                queue.get(options);
                long got = System.nanoTime();
                connection.commit();
                if (stamp) {
                    System.out.println("got " + i + " " + got);
                }
            }
            System.out.println("done " + System.nanoTime());
        } catch (VxException e) {
            System.out.println("failed " + e.getMessage());
        }
    }

}
