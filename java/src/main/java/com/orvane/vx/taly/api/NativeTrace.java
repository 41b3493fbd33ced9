package com.orvane.vx.taly.api;

/**
 * Receives the native library's trace events. The library finds these four
 * methods by name on the object's class and calls them on the calling thread
 * (or, for asynchronous consumers, on the runtime's threads), so an
 * implementation must be thread-safe and must not call back into the binding.
 * {@code krux} is a failure report: it arrives even when call tracing is off.
 */
public interface NativeTrace {

    void entry(int component, int function);

    void exit(int component, int function, int reason);

    /** A text event (text may be null) with optional data, usually a byte array. */
    void data(int component, int function, byte[] text, Object data);

    void krux(int component, int function, int probe, int i1, int i2, int i3,
            byte[] message, byte[] text1, byte[] text2);

    /** A trace that accepts every event and keeps nothing: the default. */
    NativeTrace NONE = new NativeTrace() {
        @Override
        public void entry(int component, int function) {
        }

        @Override
        public void exit(int component, int function, int reason) {
        }

        @Override
        public void data(int component, int function, byte[] text, Object data) {
        }

        @Override
        public void krux(int component, int function, int probe, int i1, int i2, int i3,
                byte[] message, byte[] text1, byte[] text2) {
        }
    };
}
