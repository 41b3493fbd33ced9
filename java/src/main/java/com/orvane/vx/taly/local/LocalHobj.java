package com.orvane.vx.taly.local;

/** Holder for an object or subscription handle; the native library uses its accessors. */
public class LocalHobj {

    private int value;

    /** Creates a holder with handle 0. */
    public LocalHobj() {
    }

    /** Creates a holder with the given handle. */
    public LocalHobj(int value) {
        this.value = value;
    }

    public void setValue(int value) {
        this.value = value;
    }

    public int getValue() {
        return value;
    }

    @Override
    public String toString() {
        return "LocalHobj[" + value + "]";
    }
}
