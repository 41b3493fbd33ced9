package com.orvane.vx.taly.bench;

import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.GetOptions;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Queue;
import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.PutMessageOptions;
import java.util.concurrent.LinkedBlockingQueue;

/**
 * What a 100-byte put/get pair costs at each layer, all in one JVM and one
 * run, in nanoseconds per pair (best of five rounds of 200,000 pairs,
 * layers taking turns): through the Java API; through Native alone, with
 * the structures, buffers and holders made once and used again (the
 * exports, the runtime's entries and the queue manager); and a
 * LinkedBlockingQueue making the same copies. The runtime's own share,
 * without the JNI, is measured in C++ by export_bench.
 */
public final class PairLayers {

    private static final int PAIRS = 200_000;
    private static final int ROUNDS = 5;
    private static final int SIZE = 100;

    private PairLayers() {
    }

    private interface Layer {
        long run(int pairs);
    }

    public static void main(String[] args) {
        String[] names = {"Java API", "Native, arrays used again", "LinkedBlockingQueue<byte[]>"};
        Layer[] layers = {apiPairs(), nativePairs(), queuePairs()};
        double[] best = new double[layers.length];
        java.util.Arrays.fill(best, Double.MAX_VALUE);
        for (Layer layer : layers) {
            layer.run(PAIRS / 4);
        }
        for (int round = 0; round < ROUNDS; round++) {
            for (int i = 0; i < layers.length; i++) {
                long began = System.nanoTime();
                layers[i].run(PAIRS);
                best[i] = Math.min(best[i], (System.nanoTime() - began) / (double) PAIRS);
            }
        }
        System.out.println("100-byte put/get pair, ns per pair (best of " + ROUNDS + " rounds of " + PAIRS + ")");
        for (int i = 0; i < layers.length; i++) {
            System.out.printf("  %-30s %8.0f ns%n", names[i], best[i]);
        }
    }

    private static Layer apiPairs() {
        Connection connection = Connection.connect();
        Queue queue = connection.openDynamic("TALY.MODEL.QUEUE", "LAYERS.*", OpenOption.OUTPUT,
                OpenOption.INPUT_SHARED);
        byte[] body = new byte[SIZE];
        GetOptions get = GetOptions.builder().bufferSize(SIZE).build();
        return pairs -> {
            long sum = 0;
            for (int i = 0; i < pairs; i++) {
                body[0] = (byte) i;
                queue.put(new Message(body));
                sum += queue.get(get).body()[0];
            }
            return sum;
        };
    }

    private static Layer nativePairs() {
        LocalHconn hconn = new LocalHconn();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCONN(false, NativeStruct.qmgrName(""), 0, hconn, cc, reason);
        check("VXCONN", cc, reason);
        LocalHobj hobj = new LocalHobj();
        ObjectDescriptor od = ObjectDescriptor.queue("TALY.MODEL.QUEUE");
        od.setDynamicQName("LAYERS.*");
        Native.VXOPEN(false, hconn.value, 0, 0, od.bytes(),
                Constants.VXOO_OUTPUT | Constants.VXOO_INPUT_SHARED, hobj, cc, reason);
        check("VXOPEN", cc, reason);
        byte[] md = new MessageDescriptor().bytes();
        byte[] pmo = new PutMessageOptions().bytes();
        byte[] gmo = new GetMessageOptions().bytes();
        byte[] body = new byte[SIZE];
        byte[] buffer = new byte[SIZE];
        Pint dataLength = new Pint();
        byte[] fresh = new MessageDescriptor().bytes();
        int h = hconn.value;
        int o = hobj.getValue();
        return pairs -> {
            long sum = 0;
            for (int i = 0; i < pairs; i++) {
                body[0] = (byte) i;
                System.arraycopy(fresh, 0, md, 0, md.length);
                Native.VXPUT(false, h, 0, 0, o, md, pmo, SIZE, body, cc, reason);
                System.arraycopy(fresh, 0, md, 0, md.length);
                Native.VXGET(false, h, 0, 0, o, md, gmo, SIZE, buffer, dataLength, cc, reason);
                sum += buffer[0] + reason.x;
            }
            return sum;
        };
    }

    private static Layer queuePairs() {
        LinkedBlockingQueue<byte[]> queue = new LinkedBlockingQueue<>();
        byte[] body = new byte[SIZE];
        return pairs -> {
            long sum = 0;
            try {
                for (int i = 0; i < pairs; i++) {
                    body[0] = (byte) i;
                    queue.put(body.clone());
                    sum += queue.take().clone()[0];
                }
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            return sum;
        };
    }

    private static void check(String call, Pint cc, Pint reason) {
        if (cc.x == com.orvane.vx.taly.structs.Reasons.VXCC_FAILED) {
            throw new IllegalStateException(call + " failed with " + reason.x);
        }
    }
}
