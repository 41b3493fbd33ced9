package com.orvane.vx.taly.structs;

/**
 * The status structure (VXSTS) that VXSTAT fills for VXSTAT_PUTS: 112 bytes,
 * version 1. The counts cover the connection's puts since it connected or
 * since the last such status, which starts them again.
 */
public final class Status extends NativeStruct {

    public static final String STRUC_ID = "STS ";
    public static final int VERSION = 1;
    public static final int LENGTH = 112;

    public static final int COMP_CODE = 8;
    public static final int REASON = 12;
    public static final int PUT_SUCCESS_COUNT = 16;
    public static final int PUT_WARNING_COUNT = 20;
    public static final int PUT_FAILURE_COUNT = 24;
    public static final int PUBLICATION_COUNT = 28;
    public static final int DELIVERY_COUNT = 32;
    public static final int DELIVERY_FAILURE_COUNT = 36;
    public static final int OBJECT_TYPE = 40;
    public static final int OBJECT_NAME = 44;

    public Status() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    /** The highest completion code of the puts counted. */
    public int compCode() { return getInt(COMP_CODE); }
    /** The reason of the last put that did not complete with 0. */
    public int reason() { return getInt(REASON); }
    public int putSuccessCount() { return getInt(PUT_SUCCESS_COUNT); }
    public int putWarningCount() { return getInt(PUT_WARNING_COUNT); }
    public int putFailureCount() { return getInt(PUT_FAILURE_COUNT); }
    public int publicationCount() { return getInt(PUBLICATION_COUNT); }
    public int deliveryCount() { return getInt(DELIVERY_COUNT); }
    public int deliveryFailureCount() { return getInt(DELIVERY_FAILURE_COUNT); }
    /** The object of the put that the reason is for: VXOT_QUEUE, VXOT_TOPIC, or 0. */
    public int objectType() { return getInt(OBJECT_TYPE); }
    public String objectName() { return getChars(OBJECT_NAME, 48); }
}
