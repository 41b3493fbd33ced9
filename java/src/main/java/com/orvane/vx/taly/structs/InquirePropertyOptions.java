package com.orvane.vx.taly.structs;

import java.nio.charset.StandardCharsets;

/**
 * The inquire-property options (VXIMPO): 160 bytes, version 1. With
 * VXIMPO_INQ_NEXT an inquiry returns the next property after the last one
 * the handle returned; the name of the property returned comes back here.
 */
public final class InquirePropertyOptions extends NativeStruct {

    public static final String STRUC_ID = "IMPO";
    public static final int VERSION = 1;
    public static final int LENGTH = 160;

    public static final int OPTIONS = 8;
    public static final int RETURNED_NAME_LENGTH = 12;
    public static final int RETURNED_NAME = 16;

    public InquirePropertyOptions() {
        super(LENGTH, STRUC_ID, VERSION);
    }

    public int options() { return getInt(OPTIONS); }
    public InquirePropertyOptions setOptions(int v) { putInt(OPTIONS, v); return this; }
    public String returnedName() {
        int length = Math.max(0, Math.min(getInt(RETURNED_NAME_LENGTH), Constants.VX_MAX_PROPERTY_NAME_LENGTH));
        return new String(getBytes(RETURNED_NAME, length), StandardCharsets.UTF_8);
    }
}
