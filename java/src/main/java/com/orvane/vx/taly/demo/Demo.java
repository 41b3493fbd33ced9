package com.orvane.vx.taly.demo;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.internal.base.Native;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;

/**
 * Walks through the first calls of a session against the native library:
 * initialisation with its structure table, the metadata query, and a unit of
 * work begun before any connection exists. Pass "trace" to see trace events.
 */
public final class Demo {

    private static final int JAVA_SUPPORT_FLAGS = 0x1;
    private static final int EXCHANGE_SIZE = 76;
    private static final int UNSET = -1;
    private static final int METADATA_LENGTH = 68;
    private static final int METADATA_VERSION = 2;

    private Demo() {
    }

    public static void main(String[] args) {
        boolean trace = args.length > 0 && args[0].equals("trace");
        PrintingTrace printingTrace = new PrintingTrace();
        System.out.println("Taly native binding demo (trace " + (trace ? "on" : "off") + ")");

        initialise(trace, printingTrace);
        metadata(trace);
        beginWithoutConnection(trace);
    }

    private static void initialise(boolean trace, PrintingTrace printingTrace) {
        System.out.println();
        System.out.println("init_conversion");
        Pint[] exchange = new Pint[EXCHANGE_SIZE];
        exchange[0] = new Pint(JAVA_SUPPORT_FLAGS);
        for (int i = 1; i < exchange.length; i++) {
            exchange[i] = new Pint(UNSET);
        }
        boolean result = Native.init_conversion(trace, printingTrace, exchange);
        System.out.println("  result: " + result);
        System.out.println("  first structure element: " + exchange[0].x);
        System.out.println("  level: " + exchange[1].x);
        System.out.println("  structure slots: " + exchange[2].x);
        System.out.println("  element 3: " + exchange[3].x);
        System.out.println("  index  version  length");
        int first = exchange[0].x;
        for (int index = 0; index < exchange[2].x; index++) {
            int at = first + 2 * index;
            if (at + 1 >= exchange.length) {
                break;
            }
            int version = exchange[at].x;
            int length = exchange[at + 1].x;
            if (version == UNSET && length == UNSET) {
                continue;
            }
            System.out.printf("  %5d  %7d  %6d%n", index, version, length);
        }
    }

    private static void metadata(boolean trace) {
        System.out.println();
        System.out.println("getMetaData");
        byte[] record = new byte[METADATA_LENGTH];
        ByteBuffer view = ByteBuffer.wrap(record).order(ByteOrder.nativeOrder());
        view.put(0, "TMD ".getBytes(StandardCharsets.US_ASCII));
        view.putInt(4, METADATA_VERSION);
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.getMetaData(trace, record, cc, reason);
        String buildLevel = new String(record, 16, 48, StandardCharsets.ISO_8859_1).trim();
        System.out.println("  completion code: " + cc.x + ", reason: " + reason.x);
        System.out.println("  capability flags: 0x" + Integer.toHexString(view.getInt(8)));
        System.out.println("  level: " + view.getInt(12));
        System.out.println("  build level: " + buildLevel);
        System.out.println("  runtime value: " + view.getInt(64));
    }

    private static void beginWithoutConnection(boolean trace) {
        System.out.println();
        System.out.println("VXBEGIN on connection handle 0");
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXBEGIN(trace, 0, 0, 0, null, cc, reason);
        System.out.println("  completion code: " + cc.x + ", reason: " + reason.x);
    }
}
