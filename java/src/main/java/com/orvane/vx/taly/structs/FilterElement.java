package com.orvane.vx.taly.structs;

/**
 * A filter element of the private inquiry: 20 bytes, version 1. The inquiry
 * answers only when the queue's integer attribute compares with the value as
 * the operator (LPIFLT_*) says.
 */
public final class FilterElement extends NativeStruct {

    public static final String STRUC_ID = "LFLT";
    public static final int VERSION = 1;
    public static final int LENGTH = 20;
    public static final int SELECTOR = 8;
    public static final int OPERATOR = 12;
    public static final int VALUE = 16;

    public FilterElement(int selector, int operator, int value) {
        super(LENGTH, STRUC_ID, VERSION);
        putInt(SELECTOR, selector);
        putInt(OPERATOR, operator);
        putInt(VALUE, value);
    }
}
