package com.orvane.vx.taly.structs;

/** Options of the named-subscriber inquiry: 24 bytes, version 1. */
public final class NamedSubscriberOptions extends NativeStruct {

    public static final String STRUC_ID = "LNSO";
    public static final int VERSION = 1;
    public static final int LENGTH = 24;
    public static final int OPTIONS = 8;
    public static final int RETURNED_LENGTH = 12;

    /** {@link SpiConstants#LPINSO_BY_TOPIC} or {@link SpiConstants#LPINSO_BY_NAME}. */
    public NamedSubscriberOptions(int options) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(OPTIONS, options);
    }

    /** Bytes of names the queue manager placed in the identifier buffer. */
    public int returnedLength() { return getInt(RETURNED_LENGTH); }
}
