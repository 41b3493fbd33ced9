package com.orvane.vx.taly.testkit;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * Consumer for tests: keeps what every callback delivered (the four arrays and
 * the thread it ran on) so that a test can read it back. The runtime calls it
 * on threads of its own, hence the synchronisation. After recording, it writes
 * into the arrays it was given, which must not reach the runtime's memory, and
 * throws when told to.
 */
public class RecordingConsumer {

    private final List<Delivery> deliveries = new ArrayList<>();
    private boolean throwing;

    public void talyConsumerMethod(byte[] md, byte[] gmo, byte[] data, byte[] context) {
        Thread thread = Thread.currentThread();
        synchronized (this) {
            deliveries.add(new Delivery(thread.getName(), thread.isDaemon(), copy(md), copy(gmo), copy(data),
                    copy(context)));
            scribble(md, gmo, data, context);
            if (throwing) {
                throw new IllegalStateException("consumer failed");
            }
        }
    }

    /** Makes every later delivery throw after it is recorded. */
    public synchronized void throwOnDelivery(boolean on) {
        throwing = on;
    }

    public synchronized int count() {
        return deliveries.size();
    }

    /**
     * Delivery i as "thread=NAME daemon=BOOL md=N gmo=N data=N context=N", where
     * N is an array's length or "null".
     */
    public synchronized String describe(int i) {
        Delivery d = deliveries.get(i);
        return "thread=" + d.thread() + " daemon=" + d.daemon() + " md=" + length(d.md()) + " gmo="
                + length(d.gmo()) + " data=" + length(d.data()) + " context=" + length(d.context());
    }

    /** Array n (0 descriptor, 1 get options, 2 data, 3 context) of delivery i, or null. */
    public synchronized byte[] array(int i, int n) {
        Delivery d = deliveries.get(i);
        byte[][] arrays = {d.md(), d.gmo(), d.data(), d.context()};
        return copy(arrays[n]);
    }

    private static void scribble(byte[]... arrays) {
        for (byte[] array : arrays) {
            if (array != null) {
                Arrays.fill(array, (byte) 'X');
            }
        }
    }

    private static byte[] copy(byte[] array) {
        return array == null ? null : array.clone();
    }

    private static String length(byte[] array) {
        return array == null ? "null" : Integer.toString(array.length);
    }

    private record Delivery(String thread, boolean daemon, byte[] md, byte[] gmo, byte[] data, byte[] context) {
    }
}
