package com.orvane.vx.taly.structs;

/**
 * The message descriptor (VXMD): 364 bytes, version 2. A new descriptor asks
 * for the queue's default priority and persistence, no expiry, no format and
 * a generated message identifier (all-zero identifiers).
 */
public final class MessageDescriptor extends NativeStruct {

    public static final String STRUC_ID = "MD  ";
    public static final int VERSION = 2;
    public static final int LENGTH = 364;

    public static final int MSG_TYPE = 8;
    public static final int PRIORITY = 12;
    public static final int PERSISTENCE = 16;
    public static final int EXPIRY = 20;
    public static final int ENCODING = 24;
    public static final int CODED_CHAR_SET_ID = 28;
    public static final int FORMAT = 32;
    public static final int MSG_ID = 40;
    public static final int CORREL_ID = 64;
    public static final int BACKOUT_COUNT = 88;
    public static final int REPLY_TO_Q = 92;
    public static final int REPLY_TO_QMGR = 140;
    public static final int USER_IDENTIFIER = 188;
    public static final int PUT_DATE = 200;
    public static final int PUT_TIME = 208;

    /** The bytes of a new descriptor, copied for each (every put and get makes one). */
    private static final byte[] DEFAULTS = defaults();

    public MessageDescriptor() {
        super(DEFAULTS.clone());
    }

    private MessageDescriptor(int length) {
        super(length, STRUC_ID, VERSION);
    }

    private static byte[] defaults() {
        return new MessageDescriptor(LENGTH)
                .setMsgType(Constants.VXMT_DATAGRAM)
                .setPriority(Constants.VXPRI_AS_QUEUE)
                .setPersistence(Constants.VXPER_AS_QUEUE)
                .setFormat(Constants.VXFMT_NONE)
                .bytes();
    }

    private MessageDescriptor(byte[] bytes) {
        super(bytes);
    }

    /** A view of a descriptor array, for reading what a call wrote into it. */
    public static MessageDescriptor of(byte[] bytes) {
        return new MessageDescriptor(bytes);
    }

    public int msgType() { return getInt(MSG_TYPE); }
    public MessageDescriptor setMsgType(int v) { putInt(MSG_TYPE, v); return this; }
    public int priority() { return getInt(PRIORITY); }
    public MessageDescriptor setPriority(int v) { putInt(PRIORITY, v); return this; }
    public int persistence() { return getInt(PERSISTENCE); }
    public MessageDescriptor setPersistence(int v) { putInt(PERSISTENCE, v); return this; }
    /** Lifetime in milliseconds, 0 for unlimited; after a get, the lifetime left. */
    public int expiry() { return getInt(EXPIRY); }
    public MessageDescriptor setExpiry(int v) { putInt(EXPIRY, v); return this; }
    public int encoding() { return getInt(ENCODING); }
    public MessageDescriptor setEncoding(int v) { putInt(ENCODING, v); return this; }
    public int codedCharSetId() { return getInt(CODED_CHAR_SET_ID); }
    public MessageDescriptor setCodedCharSetId(int v) { putInt(CODED_CHAR_SET_ID, v); return this; }
    public String format() { return getChars(FORMAT, 8); }
    public MessageDescriptor setFormat(String v) { putChars(FORMAT, 8, v); return this; }
    public byte[] msgId() { return getBytes(MSG_ID, Constants.VX_MSG_ID_LENGTH); }
    public MessageDescriptor setMsgId(byte[] v) { putBytes(MSG_ID, Constants.VX_MSG_ID_LENGTH, v); return this; }
    public byte[] correlId() { return getBytes(CORREL_ID, Constants.VX_CORREL_ID_LENGTH); }
    public MessageDescriptor setCorrelId(byte[] v) {
        putBytes(CORREL_ID, Constants.VX_CORREL_ID_LENGTH, v);
        return this;
    }
    public int backoutCount() { return getInt(BACKOUT_COUNT); }
    public String replyToQ() { return getChars(REPLY_TO_Q, 48); }
    public MessageDescriptor setReplyToQ(String v) { putChars(REPLY_TO_Q, 48, v); return this; }
    public String replyToQMgr() { return getChars(REPLY_TO_QMGR, 48); }
    public MessageDescriptor setReplyToQMgr(String v) { putChars(REPLY_TO_QMGR, 48, v); return this; }
    public String userIdentifier() { return getChars(USER_IDENTIFIER, 12); }
    /** "YYYYMMDD", UTC. */
    public String putDate() { return getChars(PUT_DATE, 8); }
    /** "HHMMSSTT", UTC, TT in hundredths of a second. */
    public String putTime() { return getChars(PUT_TIME, 8); }
}
