package com.orvane.vx.taly.structs;

/** The get-message options (VXGMO): 112 bytes, version 4; no options, no wait, no matching. */
public final class GetMessageOptions extends NativeStruct {

    public static final String STRUC_ID = "GMO ";
    public static final int VERSION = 4;
    public static final int LENGTH = 112;

    public static final int OPTIONS = 8;
    public static final int WAIT_INTERVAL = 12;
    public static final int MATCH_OPTIONS = 16;
    public static final int MSG_LENGTH = 20;
    public static final int RETURNED_LENGTH = 24;
    public static final int RESOLVED_Q_NAME = 28;
    public static final int MSG_HANDLE = 80;
    public static final int FOUND_MSG_ID = 88;

    /** The bytes of new options, copied for each (every get makes them). */
    private static final byte[] DEFAULTS = new GetMessageOptions(LENGTH).bytes();

    public GetMessageOptions() {
        super(DEFAULTS.clone());
    }

    private GetMessageOptions(int length) {
        super(length, STRUC_ID, VERSION);
    }

    private GetMessageOptions(byte[] bytes) {
        super(bytes);
    }

    public static GetMessageOptions of(byte[] bytes) {
        return new GetMessageOptions(bytes);
    }

    public int options() { return getInt(OPTIONS); }
    public GetMessageOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    /** Milliseconds, or {@link Constants#VXWI_UNLIMITED}; used with {@link Constants#VXGMO_WAIT}. */
    public int waitInterval() { return getInt(WAIT_INTERVAL); }
    public GetMessageOptions setWaitInterval(int v) { putInt(WAIT_INTERVAL, v); return this; }
    public int matchOptions() { return getInt(MATCH_OPTIONS); }
    public GetMessageOptions setMatchOptions(int v) { putInt(MATCH_OPTIONS, v); return this; }
    /** Full length of the message found, also when it did not fit the buffer. */
    public int msgLength() { return getInt(MSG_LENGTH); }
    /** Bytes placed in the buffer. */
    public int returnedLength() { return getInt(RETURNED_LENGTH); }
    /** The identifier of the message found, also when it did not fit the buffer. */
    public byte[] foundMsgId() { return getBytes(FOUND_MSG_ID, Constants.VX_MSG_ID_LENGTH); }
    public String resolvedQName() { return getChars(RESOLVED_Q_NAME, 48); }
    /** A message handle whose properties the message's replace, or 0. */
    public long msgHandle() { return getLong(MSG_HANDLE); }
    public GetMessageOptions setMsgHandle(long v) { putLong(MSG_HANDLE, v); return this; }
}
