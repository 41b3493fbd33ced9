package com.orvane.vx.taly.api;

/**
 * Receives the native library's trace events. The library finds these four
 * methods by name on the object's class and calls them on the calling thread
 * (or, for asynchronous consumers, on the runtime's threads), so an
 * implementation must be thread-safe and must not call back into the binding.
 * {@code krux} is a failure report: it arrives even when call tracing is off.
 * {@link LoggerTrace} writes the events to a {@link System.Logger}.
 */
public interface NativeTrace {

    /**
     * A function of the library was entered.
     *
     * @param component the library's component number, 59
     * @param function the function's number
     */
    void entry(int component, int function);

    /**
     * A function of the library returns.
     *
     * @param component the library's component number, 59
     * @param function the function's number
     * @param reason the reason it returns with
     */
    void exit(int component, int function, int reason);

    /**
     * A text event with optional data, usually a byte array.
     *
     * @param component the library's component number, 59
     * @param function the function's number
     * @param text the text in ISO 8859-1, or null
     * @param data the data, or null
     */
    void data(int component, int function, byte[] text, Object data);

    /**
     * A failure report: the library refused a call or one of its steps failed.
     *
     * @param component the library's component number, 59
     * @param function the function's number
     * @param probe where in the function, a number of its own
     * @param i1 the first detail, such as the reason 2195
     * @param i2 the second detail, such as the bytes required
     * @param i3 the third detail, such as the bytes present
     * @param message what failed, in ISO 8859-1, such as "native_vxmd is too short"
     * @param text1 a further text, or null
     * @param text2 a further text, or null
     */
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
