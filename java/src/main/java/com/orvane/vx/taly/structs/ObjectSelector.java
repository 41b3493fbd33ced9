package com.orvane.vx.taly.structs;

/** The object selector of the private define, delete and inquire: 64 bytes, version 1. */
public final class ObjectSelector extends NativeStruct {

    public static final String STRUC_ID = "LOSL";
    public static final int VERSION = 1;
    public static final int LENGTH = 64;
    public static final int OBJECT_TYPE = 8;
    public static final int QUEUE_TYPE = 12;
    public static final int OBJECT_NAME = 16;

    private ObjectSelector() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    /** Selects a queue by name; for a definition, queueType is VXQT_LOCAL, VXQT_MODEL or 0 (as the like queue). */
    public static ObjectSelector queue(String name, int queueType) {
        ObjectSelector s = new ObjectSelector();
        s.putInt(OBJECT_TYPE, Constants.VXOT_QUEUE);
        s.putInt(QUEUE_TYPE, queueType);
        s.putChars(OBJECT_NAME, Constants.VX_NAME_LENGTH, name);
        return s;
    }

    public int objectType() { return getInt(OBJECT_TYPE); }
    public int queueType() { return getInt(QUEUE_TYPE); }
    public String objectName() { return getChars(OBJECT_NAME, Constants.VX_NAME_LENGTH); }
}
