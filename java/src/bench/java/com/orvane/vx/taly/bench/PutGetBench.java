package com.orvane.vx.taly.bench;

import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.GetOptions;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Queue;
import java.lang.management.ManagementFactory;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import javax.management.ObjectName;

/**
 * Put/get pairs per second from Java through the whole stack (the API,
 * Native, libvxtaly.so, VXInterface, the embedded queue manager), each beside
 * a LinkedBlockingQueue of byte arrays in the same JVM that makes the same
 * copies: the message copied in on the put and out into a new array on the
 * get. Then the process's memory over 1,000,000 put/get pairs after a warm-up,
 * and with 10,000 messages of 1 KiB queued.
 * Not a test: it prints numbers and ratios measured in the same run.
 */
public final class PutGetBench {

    private static final String MODEL_QUEUE = System.getProperty("bench.model", "TALY.MODEL.QUEUE");
    private static final int MEMORY_PAIRS = 1_000_000;
    private static final int QUEUED = 10_000;
    private static final int WARM_UP = 200_000;

    private PutGetBench() {
    }

    /** One way of doing put/get pairs on one thread; returns a value so the work is not dropped. */
    private interface Pairs {
        long run(int count) throws Exception;
    }

    /**
     * With "rates", the rates alone; with "memory", the memory alone, which
     * needs the JVM's Native Memory Tracking; with neither, both. The rates
     * are best measured without that tracking: it counts every native
     * allocation of the JVM in process-wide counters, and each pin of an
     * array is one.
     */
    public static void main(String[] args) throws Exception {
        String part = args.length > 0 ? args[0] : "";
        try (Connection owner = Connection.connect();
                Queue shared = owner.openDynamic(MODEL_QUEUE, "BENCH.*", OpenOption.OUTPUT, OpenOption.INQUIRE)) {
            String queueName = shared.name();
            if (!part.equals("memory")) {
                rates(queueName);
            }
            if (!part.equals("rates")) {
                memory(queueName);
            }
        }
    }

    private static void rates(String queueName) throws Exception {
        System.out.println("put/get pairs per second; each pair copies the message in and out once");
        System.out.println("(taly: API -> Native -> libvxtaly.so -> VXInterface -> embedded queue manager;");
        System.out.println(" baseline: LinkedBlockingQueue<byte[]>, clone on put and on take)");
        System.out.println();
        System.out.printf("%-9s %-8s %14s %14s %8s%n", "size", "threads", "taly", "baseline", "ratio");
        // The JIT compiles both paths before anything is measured: with
        // only the warm-up of each rate, the first row measured the
        // compiler.
        try (TalyPairs warm = new TalyPairs(queueName, 100)) {
            warm.run(WARM_UP);
        }
        baselinePairs(new LinkedBlockingQueue<>(), 100).run(WARM_UP);
        for (int size : new int[] {100, 64 * 1024}) {
            // About a second a rate: shorter runs measured the machine's
            // moods more than the paths.
            int pairs = size <= 100 ? 400_000 : 20_000;
            double oneThread = 0;
            double oneThreadBaseline = 0;
            for (int threads : new int[] {1, 2}) {
                double taly = rate(threads, pairs, () -> talyPairs(queueName, size));
                LinkedBlockingQueue<byte[]> inJvm = new LinkedBlockingQueue<>();
                double baseline = rate(threads, pairs, () -> baselinePairs(inJvm, size));
                String sizeName = size == 100 ? "100 B" : "64 KiB";
                System.out.printf("%-9s %-8d %12.0f/s %12.0f/s %8.3f%n", sizeName, threads, taly, baseline,
                        taly / baseline);
                if (threads == 1) {
                    oneThread = taly;
                    oneThreadBaseline = baseline;
                    // 64 KiB: within 1.3x of the same copies alone.
                    Summary.row(sizeName + " put/get pairs, 1 thread, vs a LinkedBlockingQueue's copies", taly,
                            baseline, "/s", size == 100 ? ">= 0.05" : ">= 0.77");
                    if (size == 100) {
                        // As a program gets without choosing a buffer: into the default 64 KiB one.
                        GetOptions plain = GetOptions.builder().build();
                        double defaults = rate(1, pairs, () -> new TalyPairs(queueName, size, plain));
                        System.out.printf("%-9s %-8s %12.0f/s %14s %8.3f%n", sizeName, "1, plain", defaults, "",
                                defaults / baseline);
                        Summary.row("100 B put/get pairs, default get buffer, vs a LinkedBlockingQueue's copies",
                                defaults, baseline, "/s", ">= 0.05");
                    }
                } else if (size == 100) {
                    Summary.row("100 B put/get pairs, 2 threads on 2 connections vs 1", taly, oneThread, "/s",
                            ">= 1.6");
                    // What two threads on one queue gain on this machine at this moment: the
                    // in-JVM queue's own two threads against its one, for the row above.
                    Summary.row("  the same for the LinkedBlockingQueue: its 2 threads vs its 1", baseline,
                            oneThreadBaseline, "/s", "-");
                    // The same with a queue each: what the two threads
                    // share is then the queue manager alone, not a queue.
                    double apart = rate(threads, pairs, () -> new TalyPairs(null, size));
                    System.out.printf("%-9s %-8s %12.0f/s %14s %8.3f%n", sizeName, "2, apart", apart, "",
                            apart / oneThread);
                    Summary.row("100 B put/get pairs, 2 threads, a queue each, vs 1", apart, oneThread, "/s",
                            ">= 1.6");
                }
            }
        }
        System.out.println();
    }

    /** Pairs per second of `threads` threads doing `pairs` each, after a warm-up of a tenth of that. */
    private static double rate(int threads, int pairs, PairsFactory factory) throws Exception {
        List<Pairs> workers = new ArrayList<>();
        for (int t = 0; t < threads; t++) {
            workers.add(factory.make());
        }
        for (Pairs worker : workers) {
            worker.run(pairs / 10);
        }
        CyclicBarrier start = new CyclicBarrier(threads + 1);
        List<Thread> running = new ArrayList<>();
        Exception[] failure = new Exception[1];
        for (Pairs worker : workers) {
            Thread thread = new Thread(() -> {
                try {
                    start.await();
                    worker.run(pairs);
                } catch (Exception e) {
                    failure[0] = e;
                }
            });
            thread.start();
            running.add(thread);
        }
        start.await();
        long began = System.nanoTime();
        for (Thread thread : running) {
            thread.join();
        }
        long elapsed = System.nanoTime() - began;
        if (failure[0] != null) {
            throw failure[0];
        }
        for (Pairs worker : workers) {
            if (worker instanceof AutoCloseable) {
                ((AutoCloseable) worker).close();
            }
        }
        return (double) threads * pairs * 1e9 / elapsed;
    }

    private interface PairsFactory {
        Pairs make() throws Exception;
    }

    /** Put/get pairs on a connection of its own to the shared queue. */
    private static final class TalyPairs implements Pairs, AutoCloseable {
        private final Connection connection;
        private final Queue queue;
        private final byte[] body;
        private final GetOptions get;

        /** On the named queue; null: on a dynamic queue of its own. Gets into a buffer of the message's size. */
        TalyPairs(String queueName, int size) {
            this(queueName, size, GetOptions.builder().bufferSize(size).build());
        }

        TalyPairs(String queueName, int size, GetOptions get) {
            connection = Connection.connect();
            queue = queueName != null
                    ? connection.open(queueName, OpenOption.OUTPUT, OpenOption.INPUT_SHARED)
                    : connection.openDynamic(MODEL_QUEUE, "BENCH.*", OpenOption.OUTPUT, OpenOption.INPUT_SHARED);
            body = new byte[size];
            this.get = get;
        }

        @Override
        public long run(int count) {
            long sum = 0;
            for (int i = 0; i < count; i++) {
                body[0] = (byte) i;
                queue.put(new Message(body));
                sum += queue.get(get).body()[0];
            }
            return sum;
        }

        @Override
        public void close() {
            connection.close();
        }
    }

    private static Pairs talyPairs(String queueName, int size) {
        return new TalyPairs(queueName, size);
    }

    private static Pairs baselinePairs(LinkedBlockingQueue<byte[]> queue, int size) {
        byte[] body = new byte[size];
        return count -> {
            long sum = 0;
            for (int i = 0; i < count; i++) {
                body[0] = (byte) i;
                queue.put(body.clone());
                sum += queue.take().clone()[0];
            }
            return sum;
        };
    }

    /**
     * Resident set size and the JVM's own committed memory (Native Memory
     * Tracking, when the JVM runs with -XX:NativeMemoryTracking=summary)
     * before and after 1,000,000 pairs of 100-byte messages, after a warm-up of
     * as many, and over two millions more, each after a System.gc(). What
     * grows in the resident set beyond what the JVM accounts for is the native
     * libraries' memory. Run with a fixed heap touched at start (-Xms = -Xmx,
     * -XX:+AlwaysPreTouch), or the heap's pages coming and going swamp the
     * measure.
     */
    private static void memory(String queueName) throws Exception {
        System.out.println("memory over " + MEMORY_PAIRS + " put/get pairs of 100 bytes, after as many to warm up:");
        try (TalyPairs pairs = new TalyPairs(queueName, 100)) {
            pairs.run(MEMORY_PAIRS);
            long[] before = sample();
            pairs.run(MEMORY_PAIRS);
            long[] after = sample();
            pairs.run(MEMORY_PAIRS);
            long[] again = sample();
            pairs.run(MEMORY_PAIRS);
            long[] last = sample();
            report("1,000,000 pairs", before, after);
            // A leak grows in every million; the JVM giving back memory that
            // stays resident (its committed total falls, the resident set
            // does not) shows once, as growth outside it. The smaller of two
            // millions is the growth.
            long grown = Math.min(report("1,000,000 more", after, again), report("and more", again, last));
            Summary.row("native memory growth over 1,000,000 100 B pairs after as many", grown, 0, "KiB",
                    "<= 512");
        }
        // What 10,000 queued 1 KiB messages take outside the JVM, against
        // their bytes. Before each put a 4 KiB message passes through another
        // queue, as in a program that also passes longer messages: the blocks
        // the queue manager keeps for reuse must not hold more than the
        // message queued in them.
        try (Connection connection = Connection.connect();
                Queue queue = connection.open(queueName, OpenOption.OUTPUT, OpenOption.INPUT_SHARED);
                Queue passing = connection.openDynamic(MODEL_QUEUE, "BENCH.*", OpenOption.OUTPUT,
                    OpenOption.INPUT_SHARED)) {
            byte[] body = new byte[1024];
            byte[] longer = new byte[4096];
            GetOptions getLonger = GetOptions.builder().bufferSize(longer.length).build();
            long[] before = sample();
            for (int i = 0; i < QUEUED; i++) {
                passing.put(new Message(longer));
                passing.get(getLonger);
                queue.put(new Message(body));
            }
            long[] full = sample();
            long grown = report("10,000 queued", before, full);
            Summary.row("native memory of 10,000 queued 1 KiB messages vs their bytes", grown, QUEUED, "KiB",
                    "<= 2");
            GetOptions get = GetOptions.builder().bufferSize(1024).build();
            for (int i = 0; i < QUEUED; i++) {
                queue.get(get);
            }
        }
    }

    /** Prints the growth from one sample to the other; returns that outside the JVM (the whole if unknown). */
    private static long report(String what, long[] before, long[] after) {
        long rss = after[0] - before[0];
        if (after[1] < 0 || before[1] < 0) {
            System.out.printf("  %-16s resident set %+d KiB (run with -XX:NativeMemoryTracking=summary"
                    + " to separate the JVM's own memory)%n", what, rss);
            return rss;
        }
        long nmt = after[1] - before[1];
        System.out.printf("  %-16s resident set %+d KiB, JVM committed %+d KiB, outside the JVM %+d KiB%n",
                what, rss, nmt, rss - nmt);
        return rss - nmt;
    }

    /** VmRSS and NMT's committed total, in KiB; -1 where not available. */
    private static long[] sample() throws Exception {
        System.gc();
        Thread.sleep(100);
        long rss = -1;
        for (String line : Files.readAllLines(Path.of("/proc/self/status"))) {
            if (line.startsWith("VmRSS:")) {
                rss = Long.parseLong(line.replaceAll("[^0-9]", ""));
            }
        }
        return new long[] {rss, nmtCommitted()};
    }

    private static long nmtCommitted() {
        try {
            Object text = ManagementFactory.getPlatformMBeanServer().invoke(
                    new ObjectName("com.sun.management:type=DiagnosticCommand"), "vmNativeMemory",
                    new Object[] {new String[] {"summary"}}, new String[] {String[].class.getName()});
            Matcher total = Pattern.compile("Total: reserved=(\\d+)KB, committed=(\\d+)KB").matcher(text.toString());
            return total.find() ? Long.parseLong(total.group(2)) : -1;
        } catch (Exception e) {
            return -1;
        }
    }
}
