package com.orvane.vx.taly.testkit;

/**
 * Trace object that accepts every event and keeps nothing: for measuring the
 * cost of the trace calls themselves.
 */
public class NullTrace {

    public void entry(int component, int function) {
    }

    public void exit(int component, int function, int reason) {
    }

    public void data(int component, int function, byte[] text, Object data) {
    }

    public void krux(int component, int function, int probe, int i1, int i2, int i3,
            byte[] message, byte[] text1, byte[] text2) {
    }
}
