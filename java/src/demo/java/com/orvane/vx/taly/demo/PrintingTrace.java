package com.orvane.vx.taly.demo;

import com.orvane.vx.taly.api.NativeTrace;
import java.nio.charset.StandardCharsets;

/** Trace object for the demo: prints each event that the native library sends. */
public class PrintingTrace implements NativeTrace {

    @Override
    public void entry(int component, int function) {
        print("entry " + component + " " + function);
    }

    @Override
    public void exit(int component, int function, int reason) {
        print("exit " + component + " " + function + " " + reason);
    }

    @Override
    public void data(int component, int function, byte[] text, Object data) {
        String suffix;
        if (data == null) {
            suffix = " -";
        } else if (data instanceof byte[]) {
            suffix = " [" + ((byte[]) data).length + " bytes]";
        } else {
            suffix = " <" + data.getClass().getName() + ">";
        }
        print("data " + component + " " + function + " " + quoted(text) + suffix);
    }

    @Override
    public void krux(int component, int function, int probe, int i1, int i2, int i3,
            byte[] message, byte[] text1, byte[] text2) {
        print("krux " + component + " " + function + " " + probe + " " + i1 + " " + i2 + " " + i3 + " "
                + quoted(message) + " " + quoted(text1) + " " + quoted(text2));
    }

    private static String quoted(byte[] text) {
        return text == null ? "null" : "\"" + new String(text, StandardCharsets.ISO_8859_1) + "\"";
    }

    private static void print(String line) {
        System.out.println("  trace: " + line);
    }
}
