package com.orvane.vx.taly.handles;

/** Mutable int cell through which native calls return codes, lengths and values. */
public class Pint {

    /** The value; the native library reads and writes this field directly. */
    public int x;

    /** Creates a cell holding 0. */
    public Pint() {
    }

    /** Creates a cell holding the given value. */
    public Pint(int x) {
        this.x = x;
    }

    @Override
    public String toString() {
        return Integer.toString(x);
    }
}
