package com.orvane.vx.taly.handles;

/** Holder for a 64-bit message handle; the native library uses its accessors. */
public class HmsgImpl {

    private long value;

    /** Creates a holder with handle 0. */
    public HmsgImpl() {
    }

    /** Creates a holder with the given handle. */
    public HmsgImpl(long value) {
        this.value = value;
    }

    public void setValue(long value) {
        this.value = value;
    }

    public long getValue() {
        return value;
    }

    @Override
    public String toString() {
        return "HmsgImpl[" + value + "]";
    }
}
