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
 * connected and warmed up (pairs put and got on a queue of their own, so
 * that the measured part runs compiled), waits for the file GO to exist,
 * then works:
 *
 * <pre>
 *   DbBench produce COUNT GO [BATCH]  prints "done NANOTIME" when finished;
 *                                     commits every BATCH messages (1)
 *   DbBench consume COUNT GO [BATCH]  the same, once COUNT messages are got
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
    private static final String WARM_QUEUE = "BENCH.WARM";
    private static final int WARM_PAIRS = 2000;
    private static final int SIZE = 1024;

    private DbBench() {
    }

    public static void main(String[] args) throws Exception {
        String role = args[0];
        int count = Integer.parseInt(args[1]);
        Path go = Path.of(args[2]);
        switch (role) {
            case "produce" -> produce(QUEUE, count, go, 0, false, batch(args));
            case "consume" -> consume(QUEUE, count, go, false, batch(args));
            case "send" -> produce(LATENCY_QUEUE, count, go, Integer.parseInt(args[3]), true, 1);
            case "wait" -> consume(LATENCY_QUEUE, count, go, true, 1);
            default -> throw new IllegalArgumentException(role);
        }
    }

    private static int batch(String[] args) {
        return args.length > 3 ? Integer.parseInt(args[3]) : 1;
    }

    private static void ready(Connection connection, Path go) throws InterruptedException {
        warmUp(connection);
        System.out.println("ready");
        System.out.flush();
        while (!Files.exists(go)) {
            Thread.sleep(1);
        }
    }

    private static void produce(String queueName, int count, Path go, int gapMillis, boolean stamp, int batch)
            throws InterruptedException {
        byte[] body = new byte[SIZE];
        Arrays.fill(body, (byte) 'x');
        PutOptions options = PutOptions.builder().syncpoint().build();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open(queueName, OpenOption.OUTPUT)) {
            ready(connection, go);
            for (int i = 0; i < count; ++i) {
                Message message = new Message(body).setPersistence(Persistence.PERSISTENT);
                queue.put(message, options);
                if ((i + 1) % batch == 0 || i + 1 == count) {
                    connection.commit();
                }
                if (stamp) {
                    System.out.println("sent " + i + " " + System.nanoTime());
                    Thread.sleep(gapMillis);
                }
            }
            System.out.println("done " + System.nanoTime());
        }
    }

    /**
     * Puts and gets, the way the roles do, with messages that are not
     * persistent (their commits do not wait for the log's flush, so that a
     * warm-up long enough for the JIT takes seconds). The processes share
     * the queue, so a process may get another's messages; every process gets
     * as many as it put, so all of them end.
     */
    private static void warmUp(Connection connection) {
        byte[] body = new byte[SIZE];
        PutOptions put = PutOptions.builder().syncpoint().build();
        GetOptions get = GetOptions.builder().syncpoint().waitFor(Duration.ofSeconds(30)).bufferSize(SIZE)
            .build();
        try (Queue queue = connection.open(WARM_QUEUE, OpenOption.OUTPUT, OpenOption.INPUT_SHARED)) {
            for (int i = 0; i < WARM_PAIRS; ++i) {
                queue.put(new Message(body).setPersistence(Persistence.NOT_PERSISTENT), put);
                connection.commit();
                queue.get(get);
                connection.commit();
            }
        }
    }

    private static void consume(String queueName, int count, Path go, boolean stamp, int batch)
            throws InterruptedException {
        GetOptions options = GetOptions.builder().syncpoint().waitFor(Duration.ofSeconds(30))
            .bufferSize(SIZE).build();
        try (Connection connection = Connection.connect();
                Queue queue = connection.open(queueName, OpenOption.INPUT_SHARED)) {
            ready(connection, go);
            for (int i = 0; i < count; ++i) {
                queue.get(options);
                long got = System.nanoTime();
                if ((i + 1) % batch == 0 || i + 1 == count) {
                    connection.commit();
                }
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
