package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.nio.ByteBuffer;
import java.time.Duration;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicLong;
import java.util.zip.CRC32;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

/**
 * Many Java threads on one queue at once: every message put is got exactly
 * once, whole (count, identifiers and a checksum of the bodies).
 */
class ConcurrencyTest {

    private static final int THREADS = 4;
    private static final int PER_PRODUCER = 1500;
    private static final long DEADLINE_NS = TimeUnit.SECONDS.toNanos(60);

    private final ExecutorService pool = Executors.newFixedThreadPool(2 * THREADS);

    @AfterEach
    void stop() throws InterruptedException {
        pool.shutdownNow();
        assertTrue(pool.awaitTermination(30, TimeUnit.SECONDS));
    }

    @Test
    void producersAndConsumersOnConnectionsOfTheirOwnLoseAndDuplicateNothing() throws Exception {
        int total = THREADS * PER_PRODUCER;
        AtomicLong putChecksum = new AtomicLong();
        AtomicLong gotChecksum = new AtomicLong();
        AtomicInteger got = new AtomicInteger();
        Set<Long> seen = ConcurrentHashMap.newKeySet();
        long start = System.nanoTime();

        try (Connection owner = Connection.connect(); Queue queue = TestQueues.fresh(owner)) {
            String name = queue.name();
            List<Future<?>> work = new ArrayList<>();
            for (int t = 0; t < THREADS; t++) {
                int producer = t;
                work.add(pool.submit(() -> {
                    try (Connection c = Connection.connect(); Queue q = c.open(name, OpenOption.OUTPUT)) {
                        for (int i = 0; i < PER_PRODUCER; i++) {
                            byte[] body = body(producer, i);
                            q.put(new Message(body));
                            putChecksum.addAndGet(crc(body));
                        }
                    }
                    return null;
                }));
                work.add(pool.submit(() -> {
                    GetOptions wait = GetOptions.builder().waitFor(Duration.ofMillis(100)).build();
                    try (Connection c = Connection.connect(); Queue q = c.open(name, OpenOption.INPUT_SHARED)) {
                        while (got.get() < total && System.nanoTime() - start < DEADLINE_NS) {
                            try {
                                byte[] body = q.get(wait).body();
                                assertTrue(seen.add(ByteBuffer.wrap(body).getLong()), "got twice");
                                gotChecksum.addAndGet(crc(body));
                                got.incrementAndGet();
                            } catch (VxException e) {
                                assertEquals(Reasons.VXRC_NO_MSG_AVAILABLE, e.reason(), e.getMessage());
                            }
                        }
                    }
                    return null;
                }));
            }
            for (Future<?> future : work) {
                future.get(90, TimeUnit.SECONDS);
            }
            assertEquals(total, got.get());
            assertEquals(total, seen.size());
            assertEquals(putChecksum.get(), gotChecksum.get());
            assertEquals(0, queue.depth());
        }
    }

    @Test
    void threadsSharingOneConnectionHaveTheirCallsSerialised() throws Exception {
        int pairs = 500;
        AtomicLong putChecksum = new AtomicLong();
        AtomicLong gotChecksum = new AtomicLong();
        try (Connection shared = Connection.connect(); Queue queue = TestQueues.fresh(shared)) {
            List<Future<?>> work = new ArrayList<>();
            for (int t = 0; t < THREADS; t++) {
                int thread = t;
                work.add(pool.submit(() -> {
                    for (int i = 0; i < pairs; i++) {
                        byte[] body = body(thread, i);
                        queue.put(new Message(body));
                        putChecksum.addAndGet(crc(body));
                        gotChecksum.addAndGet(crc(queue.get().body()));
                    }
                    return null;
                }));
            }
            for (Future<?> future : work) {
                future.get(90, TimeUnit.SECONDS);
            }
            assertEquals(putChecksum.get(), gotChecksum.get());
            assertEquals(0, queue.depth());
        }
    }

    /** A unique identifier, then 0 to 300 bytes that depend on it. */
    private static byte[] body(int producer, int index) {
        long id = (long) producer << 32 | index;
        ByteBuffer body = ByteBuffer.allocate(8 + (index * 37 + producer) % 301);
        body.putLong(id);
        while (body.hasRemaining()) {
            body.put((byte) (id * 31 + body.position()));
        }
        return body.array();
    }

    private static long crc(byte[] body) {
        CRC32 crc = new CRC32();
        crc.update(body);
        return crc.getValue();
    }
}
