package com.orvane.vx.taly.testkit;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.internal.base.Native;

/**
 * Loops that benchmarks run from Java, so that each call crosses the JNI as
 * it does in production. The benchmark binary registers {@link #bareBackout}
 * and points the runtime vector at entries of its own.
 */
public final class BenchLoops {

    private static final Pint CC = new Pint();
    private static final Pint REASON = new Pint();
    private static final Pint DATA_LENGTH = new Pint();

    private BenchLoops() {
    }

    /** A native with VXBACK's parameters that only writes the two holders. */
    public static native void bareBackout(boolean trace, int hconn, int ignored1, int ignored2,
            Pint compCode, Pint reason);

    public static void initialise() {
        Native.init_conversion(false, new NullTrace(), new Pint[0]);
    }

    public static void backout(int calls) {
        for (int i = 0; i < calls; i++) {
            Native.VXBACK(false, 1, 0, 0, CC, REASON);
        }
    }

    public static void bareBackout(int calls) {
        for (int i = 0; i < calls; i++) {
            bareBackout(false, 1, 0, 0, CC, REASON);
        }
    }

    /** Gets into buffer, of which bufferLength bytes are offered, calls times. */
    public static void get(int calls, byte[] md, byte[] gmo, byte[] buffer, int bufferLength) {
        for (int i = 0; i < calls; i++) {
            Native.VXGET(false, 1, 0, 0, 2, md, gmo, bufferLength, buffer, DATA_LENGTH, CC, REASON);
        }
    }
}
