package com.orvane.vx.taly.local;

/** Holder for a connection handle; the native library reads and writes {@code value} directly. */
public class LocalHconn {

    /** The connection handle chosen by the queue manager. */
    public int value;

    /** Creates a holder with handle 0. */
    public LocalHconn() {
    }

    /** Creates a holder with the given handle. */
    public LocalHconn(int value) {
        this.value = value;
    }

    @Override
    public String toString() {
        return "LocalHconn[" + value + "]";
    }
}
