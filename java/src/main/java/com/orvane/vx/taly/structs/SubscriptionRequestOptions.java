package com.orvane.vx.taly.structs;

/** The subscription request options (VXSRO): 32 bytes, version 1, no options. */
public final class SubscriptionRequestOptions extends NativeStruct {

    public static final String STRUC_ID = "SRO ";
    public static final int VERSION = 1;
    public static final int LENGTH = 32;

    public static final int OPTIONS = 8;
    public static final int NUM_PUBS = 12;

    public SubscriptionRequestOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    /** The publications the request delivered. */
    public int numPubs() { return getInt(NUM_PUBS); }
}
