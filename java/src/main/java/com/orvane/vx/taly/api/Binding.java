package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.local.internal.base.NativeLoader;
import com.orvane.vx.taly.structs.BeginOptions;
import com.orvane.vx.taly.structs.ConnectOptions;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.PutMessageOptions;
import com.orvane.vx.taly.structs.Reasons;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.Objects;

/**
 * The native library's one-time initialisation and its process-wide settings.
 * The first call of this API initialises the library ({@code init_conversion})
 * exactly once, whichever thread makes it; {@link #configure} may choose the
 * trace object before that. Without it, the system property
 * {@value #TRACE_PROPERTY} chooses: {@code logger} for a {@link LoggerTrace},
 * and {@value #TRACE_CALLS_PROPERTY}{@code =true} adds the events of every
 * call; by default there is no trace. Initialisation checks that the library
 * lays out the structures this API builds with the same lengths.
 */
public final class Binding {

    /** The system property that chooses the trace: {@code logger}, or {@code none} (the default). */
    public static final String TRACE_PROPERTY = "com.orvane.vx.taly.trace";

    /** The system property that, set to {@code true}, makes every call send trace events. */
    public static final String TRACE_CALLS_PROPERTY = "com.orvane.vx.taly.trace.calls";

    private static final int EXCHANGE_SIZE = 76;
    private static final int FIRST_STRUCTURE_ELEMENT = 4;
    private static final int METADATA_LENGTH = 68;

    private static final Object LOCK = new Object();
    private static volatile boolean initialised;
    private static NativeTrace trace;
    private static volatile boolean traceCalls;
    private static VxException failure;

    private Binding() {
    }

    /**
     * Chooses the trace object that the library reports to and whether calls
     * send trace events, over what the system properties say. Only before the
     * first call of this API: the library keeps the trace object it is
     * initialised with.
     *
     * @param traceObject the trace; {@link NativeTrace#NONE} for none
     * @param traceEveryCall whether every call sends entry, exit and data events
     * @throws IllegalStateException after the first call
     */
    public static void configure(NativeTrace traceObject, boolean traceEveryCall) {
        Objects.requireNonNull(traceObject, "traceObject");
        synchronized (LOCK) {
            if (initialised) {
                throw new IllegalStateException("the native library is already initialised");
            }
            trace = traceObject;
            traceCalls = traceEveryCall;
        }
    }

    /**
     * Turns the trace events of later calls on or off; failure reports are always sent.
     *
     * @param on whether calls send entry, exit and data events
     */
    public static void setTraceCalls(boolean on) {
        traceCalls = on;
    }

    /** Initialises the library if no call has yet; returns the trace flag for a call. */
    static boolean ready() {
        if (!initialised) {
            synchronized (LOCK) {
                if (failure != null) {
                    throw failure;
                }
                if (!initialised) {
                    try {
                        initialise();
                    } catch (VxException e) {
                        failure = e;
                        throw e;
                    }
                    initialised = true;
                }
            }
        }
        return traceCalls;
    }

    /** The trace that configure chose, or else the one the system properties name. */
    private static NativeTrace chosenTrace() {
        if (trace != null) {
            return trace;
        }
        String chosen = System.getProperty(TRACE_PROPERTY, "none").trim();
        String calls = System.getProperty(TRACE_CALLS_PROPERTY);
        if (calls != null) {
            traceCalls = Boolean.parseBoolean(calls.trim());
        }
        if (chosen.equalsIgnoreCase("logger")) {
            return new LoggerTrace();
        }
        if (!chosen.equalsIgnoreCase("none")) {
            System.getLogger(ApiLog.NAME).log(System.Logger.Level.WARNING, TRACE_PROPERTY + "=" + chosen
                    + " names no trace (logger or none): the library runs without one");
        }
        return NativeTrace.NONE;
    }

    private static void initialise() {
        trace = chosenTrace();
        Pint[] exchange = new Pint[EXCHANGE_SIZE];
        for (int i = 0; i < exchange.length; i++) {
            exchange[i] = new Pint();
        }
        Native.init_conversion(traceCalls, trace, exchange);
        int first = exchange[0].x;
        if (first != FIRST_STRUCTURE_ELEMENT) {
            throw mismatch("its structure table starts at element " + first);
        }
        expectLength(exchange, 1, BeginOptions.LENGTH, "VXBO");
        expectLength(exchange, 2, ConnectOptions.LENGTH, "VXCNO");
        expectLength(exchange, 3, GetMessageOptions.LENGTH, "VXGMO");
        expectLength(exchange, 4, MessageDescriptor.LENGTH, "VXMD");
        expectLength(exchange, 6, ObjectDescriptor.LENGTH, "VXOD");
        expectLength(exchange, 8, PutMessageOptions.LENGTH, "VXPMO");
    }

    private static void expectLength(Pint[] exchange, int index, int length, String name) {
        int reported = exchange[FIRST_STRUCTURE_ELEMENT + 2 * index + 1].x;
        if (reported != length) {
            throw mismatch(name + " is " + reported + " bytes there and " + length + " here");
        }
    }

    private static VxException mismatch(String detail) {
        return new VxException("init_conversion", Reasons.VXCC_FAILED, Reasons.VXRC_UNEXPECTED_ERROR,
                "the native library does not match this API: " + detail);
    }

    /**
     * What the native library says about itself.
     *
     * @param capabilityFlags what the library supports, one bit each
     * @param level the library's level
     * @param buildLevel the text naming its build
     * @param runtimeValue the value the runtime reports to the library
     */
    public record Metadata(int capabilityFlags, int level, String buildLevel, int runtimeValue) {
    }

    /**
     * Where the native library was loaded from and how it was found: from the
     * folder that the system property {@code com.orvane.vx.taly.library.path}
     * names, else from {@code java.library.path}, else extracted from the
     * jar. Initialises the library if no call has yet.
     *
     * @return the library's path and the way it was found
     */
    public static String libraryOrigin() {
        ready();
        return NativeLoader.origin();
    }

    /**
     * Asks the native library for its metadata ({@code getMetaData}, record version 2).
     *
     * @return the metadata
     */
    public static Metadata metadata() {
        boolean traceCall = ready();
        byte[] record = new byte[METADATA_LENGTH];
        ByteBuffer view = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        view.put(0, "TMD ".getBytes(StandardCharsets.US_ASCII));
        view.putInt(4, 2);
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.getMetaData(traceCall, record, cc, reason);
        Calls.check("getMetaData", new Completion(cc.x, reason.x));
        String buildLevel = new String(record, 16, 48, StandardCharsets.ISO_8859_1).trim();
        return new Metadata(view.getInt(8), view.getInt(12), buildLevel, view.getInt(64));
    }
}
