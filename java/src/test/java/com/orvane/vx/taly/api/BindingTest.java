package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import java.nio.charset.StandardCharsets;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;

/**
 * The library is initialised once, by whichever thread calls first, with the
 * configured trace object; and the options the API turns into native words.
 * (This class runs in a JVM of its own, so nothing initialised the library
 * before {@link #configure()}.)
 */
class BindingTest {

    private static final int COMPONENT = 59;
    private static final int INIT_CONVERSION = 18;
    private static final int VXCONN = 13;

    private static final List<String> EVENTS = Collections.synchronizedList(new ArrayList<>());

    /** Keeps entry events and failure reports. */
    static final class Recorder implements NativeTrace {
        @Override
        public void entry(int component, int function) {
            EVENTS.add("entry " + component + " " + function);
        }

        @Override
        public void exit(int component, int function, int reason) {
        }

        @Override
        public void data(int component, int function, byte[] text, Object data) {
        }

        @Override
        public void krux(int component, int function, int probe, int i1, int i2, int i3,
                byte[] message, byte[] text1, byte[] text2) {
            EVENTS.add("krux " + function + " " + new String(message, StandardCharsets.ISO_8859_1));
        }
    }

    @BeforeAll
    static void configure() {
        Binding.configure(new Recorder(), true);
    }

    @Test
    void threadsCallingFirstAllShareOneInitialisationWithTheConfiguredTrace() throws Exception {
        ExecutorService pool = Executors.newFixedThreadPool(8);
        CountDownLatch go = new CountDownLatch(1);
        List<Future<Binding.Metadata>> results = new ArrayList<>();
        for (int i = 0; i < 8; i++) {
            results.add(pool.submit(() -> {
                go.await();
                return Binding.metadata();
            }));
        }
        go.countDown();
        for (Future<Binding.Metadata> result : results) {
            Binding.Metadata metadata = result.get(30, TimeUnit.SECONDS);
            assertEquals(0x3f7f, metadata.capabilityFlags());
            assertEquals(910, metadata.level());
        }
        pool.shutdown();
        assertEquals(1, EVENTS.stream().filter(e -> e.equals("entry " + COMPONENT + " " + INIT_CONVERSION)).count());
        assertThrows(IllegalStateException.class, () -> Binding.configure(NativeTrace.NONE, false));

        EVENTS.clear();
        Connection.connect().close();
        assertTrue(EVENTS.contains("entry " + COMPONENT + " " + VXCONN), EVENTS.toString());
        Binding.setTraceCalls(false);
        EVENTS.clear();
        Connection.connect().close();
        assertEquals(List.of(), EVENTS, "no events with call tracing off");
        Binding.setTraceCalls(true);
    }

    @Test
    void getOptionsBecomeTheNativeWords() {
        GetOptions plain = GetOptions.DEFAULTS;
        assertEquals(Constants.VXGMO_NO_SYNCPOINT, plain.options());
        assertEquals(0, plain.waitMillis());
        assertEquals(Constants.VXMO_NONE, plain.matchOptions());

        GetOptions all = GetOptions.builder().waitFor(Duration.ofNanos(1_000_001)).syncpoint().acceptTruncated()
                .browseNext().matchMsgId(new byte[3]).matchCorrelId(new byte[24]).build();
        assertEquals(Constants.VXGMO_SYNCPOINT | Constants.VXGMO_WAIT | Constants.VXGMO_ACCEPT_TRUNCATED
                | Constants.VXGMO_BROWSE_NEXT, all.options());
        assertEquals(2, all.waitMillis(), "a wait rounds up to whole milliseconds");
        assertEquals(Constants.VXMO_MATCH_MSG_ID | Constants.VXMO_MATCH_CORREL_ID, all.matchOptions());
        assertEquals(Constants.VXWI_UNLIMITED, GetOptions.builder().waitUnlimited().build().waitMillis());

        assertThrows(IllegalArgumentException.class, () -> GetOptions.builder().waitFor(Duration.ofDays(30)));
        assertThrows(IllegalArgumentException.class, () -> GetOptions.builder().waitFor(Duration.ofMillis(-1)));
        assertThrows(IllegalArgumentException.class, () -> GetOptions.builder().matchMsgId(new byte[25]));
        assertThrows(IllegalArgumentException.class, () -> GetOptions.builder().bufferSize(-1));
    }

    @Test
    void putOptionsSegmentsAndMessagesCheckTheirValues() {
        assertEquals(Constants.VXPMO_NO_SYNCPOINT, PutOptions.DEFAULTS.options());
        assertEquals(Constants.VXPMO_SYNCPOINT | Constants.VXPMO_NEW_MSG_ID | Constants.VXPMO_NEW_CORREL_ID,
                PutOptions.builder().syncpoint().newMsgId().newCorrelId().build().options());
        assertThrows(IndexOutOfBoundsException.class, () -> new Segment(new byte[4], 3, 2));
        assertThrows(IndexOutOfBoundsException.class, () -> new Segment(new byte[4], -1, 1));
        assertThrows(NullPointerException.class, () -> new Segment(null, 0, 0));
        assertThrows(IllegalArgumentException.class, () -> new Message().setExpiry(Duration.ofMillis(-5)));
        assertEquals(Duration.ofSeconds(3), new Message().setExpiry(Duration.ofSeconds(3)).expiry().orElseThrow());
        assertTrue(new Message().setExpiry(null).expiry().isEmpty());
    }

    @Test
    void exceptionsAndCompletionsNameTheReason() {
        VxException e = new VxException("VXGET", 2, Reasons.VXRC_NO_MSG_AVAILABLE, "queue 'Q'");
        assertEquals("VXGET: completion code 2, reason 3401 VXRC_NO_MSG_AVAILABLE (no message is available): "
                + "queue 'Q'", e.getMessage());
        assertEquals("completion code 1, reason 3402 VXRC_TRUNCATED_MSG_ACCEPTED",
                new Completion(1, Reasons.VXRC_TRUNCATED_MSG_ACCEPTED).toString());
        assertEquals("VXX: completion code 2, reason 77 reason 77", new VxException("VXX", 2, 77, null).getMessage());
    }
}
