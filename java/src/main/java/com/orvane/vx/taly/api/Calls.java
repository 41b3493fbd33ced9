package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.local.internal.base.NativeLayout;
import com.orvane.vx.taly.structs.BeginOptions;
import com.orvane.vx.taly.structs.ConnectOptions;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.ControlOptions;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.PutMessageOptions;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;

/**
 * One method per native call: each makes the completion-code and reason
 * holders, passes the structures' whole arrays (a null structure passes a
 * null array) and returns what the call reported. Nothing here checks or
 * throws; the public classes decide what a completion means. The parameters
 * that the library never reads are passed as 0.
 */
final class Calls {

    private static final String CBD_STRUC_ID = "CBD ";
    private static final int CBD_VERSION = 1;

    private Calls() {
    }

    /** Throws for completion code 2; returns the completion otherwise. */
    static Completion check(String call, Completion completion) {
        if (completion.failed()) {
            throw new VxException(call, completion);
        }
        return completion;
    }

    static Completion connect(byte[] qmgrName, LocalHconn hconn) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCONN(trace, qmgrName, 0, hconn, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion connectWithOptions(byte[] qmgrName, ConnectOptions options, LocalHconn hconn) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCONNX(trace, qmgrName, 0, bytes(options), hconn, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion disconnect(LocalHconn hconn) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXDISC(trace, hconn, 0, 0, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion open(int hconn, ObjectDescriptor od, int options, LocalHobj hobj) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXOPEN(trace, hconn, 0, 0, bytes(od), options, hobj, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion close(int hconn, LocalHobj hobj, int options) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCLOSE(trace, hconn, 0, 0, hobj, options, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion put(int hconn, int hobj, MessageDescriptor md, PutMessageOptions pmo, byte[] buffer,
            int length) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXPUT(trace, hconn, 0, 0, hobj, bytes(md), bytes(pmo), length, buffer, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion putGathered(int hconn, int hobj, MessageDescriptor md, PutMessageOptions pmo,
            byte[][] segments, int[] offsets, int[] lengths) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.talyPut(trace, hconn, 0, 0, hobj, bytes(md), bytes(pmo), segments.length, segments, offsets,
                lengths, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion putOne(int hconn, ObjectDescriptor od, MessageDescriptor md, PutMessageOptions pmo,
            byte[] buffer, int length) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXPUT1(trace, hconn, 0, 0, bytes(od), bytes(md), bytes(pmo), length, buffer, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    /**
     * Receives into the first bufferLength bytes of buffer; dataLength
     * receives the message's full length.
     */
    static Completion get(int hconn, int hobj, MessageDescriptor md, GetMessageOptions gmo, byte[] buffer,
            int bufferLength, Pint dataLength) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXGET(trace, hconn, 0, 0, hobj, bytes(md), bytes(gmo), bufferLength, buffer, dataLength, cc,
                reason);
        return new Completion(cc.x, reason.x);
    }

    /** Fills intAttrs (one per integer selector) and charAttrs (character selectors end to end). */
    static Completion inquire(int hconn, int hobj, int[] selectors, int[] intAttrs, byte[] charAttrs) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        byte[] intBytes = ints(intAttrs);
        Native.VXINQ(trace, hconn, 0, 0, hobj, selectors.length, ints(selectors), intAttrs.length, intBytes,
                charAttrs.length, charAttrs, cc, reason);
        ByteBuffer.wrap(intBytes).order(ByteOrder.nativeOrder()).asIntBuffer().get(intAttrs);
        return new Completion(cc.x, reason.x);
    }

    static Completion set(int hconn, int hobj, int[] selectors, int[] intAttrs, byte[] charAttrs) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXSET(trace, hconn, 0, 0, hobj, selectors.length, ints(selectors), intAttrs.length,
                ints(intAttrs), charAttrs.length, charAttrs, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion begin(int hconn, BeginOptions options) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXBEGIN(trace, hconn, 0, 0, bytes(options), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion commit(int hconn) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCMIT(trace, hconn, 0, 0, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion backout(int hconn) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXBACK(trace, hconn, 0, 0, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    /**
     * Registers, deregisters, suspends or resumes a callback ({@code VXCB});
     * a registration hands the library the bridge it calls, whose class is
     * kept for the bridge's callback index.
     */
    static Completion callback(int hconn, int operation, LocalHobj hobj, ConsumerBridge bridge,
            MessageDescriptor md, GetMessageOptions gmo, byte[] cbd) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCB(trace, 0, ConsumerBridge.CALLBACK_INDEX, ConsumerBridge.class, bridge, hconn, 0, 0, operation,
                hobj, bytes(md), bytes(gmo), cbd, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    /**
     * A callback descriptor (VXCBD) of the running JVM's layout, of this type
     * and maximum message length; the library fills in the callback area and
     * function when it registers.
     */
    static byte[] callbackDescriptor(int callbackType, int maxMsgLength) {
        byte[] cbd = new byte[NativeLayout.VXCBD_SIZE];
        ByteBuffer view = ByteBuffer.wrap(cbd).order(ByteOrder.nativeOrder());
        view.put(NativeLayout.VXCBD_STRUC_ID, CBD_STRUC_ID.getBytes(StandardCharsets.US_ASCII));
        view.putInt(NativeLayout.VXCBD_VERSION, CBD_VERSION);
        view.putInt(NativeLayout.VXCBD_CALLBACK_TYPE, callbackType);
        view.putInt(NativeLayout.VXCBD_OPTIONS, Constants.VXCBDO_NONE);
        view.putInt(NativeLayout.VXCBD_MAX_MSG_LENGTH, maxMsgLength);
        return cbd;
    }

    /** Starts, stops, suspends or resumes the connection's consumers ({@code VXCTL}). */
    static Completion control(int hconn, int operation, ControlOptions options) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCTL(trace, hconn, 0, 0, operation, bytes(options), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    private static byte[] bytes(NativeStruct struct) {
        return struct == null ? null : struct.bytes();
    }

    /** 32-bit integers in the machine's byte order, as the runtime reads them. */
    private static byte[] ints(int[] values) {
        ByteBuffer buffer = ByteBuffer.allocate(values.length * Integer.BYTES).order(ByteOrder.nativeOrder());
        buffer.asIntBuffer().put(values);
        return buffer.array();
    }
}
