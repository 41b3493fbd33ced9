package com.orvane.vx.taly.testkit;

import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;

/**
 * Trace object for tests: keeps every event that the native library sends so
 * that a test can read them back in order. Recording does no I/O and makes no
 * calls back into native code, so tests can count the library's JNI calls.
 * Callbacks may arrive on runtime threads, hence the synchronisation.
 */
public class RecordingTrace {

    private final List<Event> events = new ArrayList<>();
    private String throwFrom;

    public synchronized void entry(int component, int function) {
        record(new Event("entry", component, function, 0, null, null, null, null, null));
    }

    public synchronized void exit(int component, int function, int reason) {
        record(new Event("exit", component, function, reason, null, null, null, null, null));
    }

    public synchronized void data(int component, int function, byte[] text, Object data) {
        Object kept = data instanceof byte[] ? ((byte[]) data).clone() : data;
        record(new Event("data", component, function, 0, null, text(text), null, null, kept));
    }

    public synchronized void krux(int component, int function, int probe, int i1, int i2, int i3,
            byte[] message, byte[] text1, byte[] text2) {
        int[] ints = {probe, i1, i2, i3};
        record(new Event("krux", component, function, 0, ints, text(message), text(text1), text(text2), null));
    }

    /** Makes the named trace method ("entry", "exit", "data", "krux") throw after recording; null for none. */
    public synchronized void throwFrom(String method) {
        throwFrom = method;
    }

    public synchronized int count() {
        return events.size();
    }

    public synchronized String describe(int i) {
        return events.get(i).describe();
    }

    public synchronized String[] describeAll() {
        String[] all = new String[events.size()];
        for (int i = 0; i < all.length; i++) {
            all[i] = events.get(i).describe();
        }
        return all;
    }

    /** The data argument of event i if it was a byte array, otherwise null. */
    public synchronized byte[] dataBytes(int i) {
        Object data = events.get(i).data();
        return data instanceof byte[] ? ((byte[]) data).clone() : null;
    }

    /** Forgets all events and stops any requested throwing. */
    public synchronized void clear() {
        events.clear();
        throwFrom = null;
    }

    private void record(Event event) {
        events.add(event);
        if (event.kind().equals(throwFrom)) {
            throw new IllegalStateException("trace " + throwFrom + " failed");
        }
    }

    private static String text(byte[] bytes) {
        return bytes == null ? null : new String(bytes, StandardCharsets.ISO_8859_1);
    }

    private static String quoted(String text) {
        return text == null ? "null" : "\"" + text + "\"";
    }

    /** One trace event; ints holds probe and the three integers of a failure report. */
    private record Event(String kind, int component, int function, int reason, int[] ints,
            String text, String text1, String text2, Object data) {

        String describe() {
            String head = kind + " " + component + " " + function;
            switch (kind) {
                case "exit":
                    return head + " " + reason;
                case "data":
                    return head + " " + quoted(text) + dataSuffix();
                case "krux":
                    return head + " " + ints[0] + " " + ints[1] + " " + ints[2] + " " + ints[3] + " "
                            + quoted(text) + " " + quoted(text1) + " " + quoted(text2);
                default:
                    return head;
            }
        }

        private String dataSuffix() {
            if (data == null) {
                return " -";
            }
            if (data instanceof byte[]) {
                return " [" + ((byte[]) data).length + " bytes]";
            }
            return " <" + data.getClass().getName() + ">";
        }
    }
}
