package com.orvane.vx.taly.structs;

/** The put-message options (VXPMO): 176 bytes, version 3; no options. */
public final class PutMessageOptions extends NativeStruct {

    public static final String STRUC_ID = "PMO ";
    public static final int VERSION = 3;
    public static final int LENGTH = 176;

    public static final int OPTIONS = 8;
    public static final int RESOLVED_Q_NAME = 12;
    public static final int RESOLVED_QMGR_NAME = 60;
    public static final int MSG_HANDLE = 112;

    /** The bytes of new options, copied for each (every put makes them). */
    private static final byte[] DEFAULTS = new PutMessageOptions(LENGTH).bytes();

    public PutMessageOptions() {
        super(DEFAULTS.clone());
    }

    private PutMessageOptions(int length) {
        super(length, STRUC_ID, VERSION);
    }

    private PutMessageOptions(byte[] bytes) {
        super(bytes);
    }

    public static PutMessageOptions of(byte[] bytes) {
        return new PutMessageOptions(bytes);
    }

    public int options() { return getInt(OPTIONS); }
    public PutMessageOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    public String resolvedQName() { return getChars(RESOLVED_Q_NAME, 48); }
    /** A message handle whose properties the message carries, or 0. */
    public long msgHandle() { return getLong(MSG_HANDLE); }
    public PutMessageOptions setMsgHandle(long v) { putLong(MSG_HANDLE, v); return this; }
    public String resolvedQMgrName() { return getChars(RESOLVED_QMGR_NAME, 48); }
}
