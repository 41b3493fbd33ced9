package com.orvane.vx.taly.structs;

import com.orvane.vx.taly.local.internal.base.NativeLayout;

/**
 * The private connect options of the privileged connect. The library stores
 * the address of the environment value at byte 128; the runtime reports the
 * value that the connection keeps in {@link #environment()}. 128 bytes and a
 * pointer: 132 on a 32-bit JVM, 136 on a 64-bit one.
 */
public final class SpiConnectOptions extends NativeStruct {

    public static final String STRUC_ID = "LCNO";
    public static final int VERSION = 1;
    public static final int OPTIONS = 8;
    public static final int ENVIRONMENT = 12;
    public static final int ENVIRONMENT_PTR = NativeLayout.SPI_CNO_ENVIRONMENT_PTR;
    public static final int LENGTH = ENVIRONMENT_PTR + NativeLayout.POINTER_SIZE;

    public SpiConnectOptions() {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(ENVIRONMENT, SpiConstants.LPI_NO_ENVIRONMENT);
    }

    /** The environment value that the connection keeps, after the connect. */
    public int environment() { return getInt(ENVIRONMENT); }
}
