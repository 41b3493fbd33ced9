package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.AttrErrors;
import com.orvane.vx.taly.structs.ChlAuthParms;
import com.orvane.vx.taly.structs.FilterElement;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.ObjectSelector;
import com.orvane.vx.taly.structs.PutMessageOptions;
import com.orvane.vx.taly.structs.SpiConnectOptions;
import com.orvane.vx.taly.structs.SpiConstants;
import com.orvane.vx.taly.structs.SpiGetOptions;
import com.orvane.vx.taly.structs.SpiOpenOptions;
import com.orvane.vx.taly.structs.SpiPutOptions;
import com.orvane.vx.taly.structs.SpiSyncPointOptions;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;

/**
 * One method per private (service-provider) call, as {@link Calls} has for the
 * public ones: each makes the holders, passes whole arrays and returns what
 * the call reported, without checking or throwing.
 */
final class SpiCalls {

    private SpiCalls() {
    }

    /** Without an environment ({@link SpiConstants#LPI_NO_ENVIRONMENT}) the plain private connect. */
    static Completion connect(byte[] qmgrName, SpiConnectOptions options, LocalHconn hconn, int environment) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        if (environment == SpiConstants.LPI_NO_ENVIRONMENT) {
            Native.spiConnect(trace, qmgrName, 0, options.bytes(), null, hconn, cc, reason);
        } else {
            Native.spiConnect_with_environment(trace, qmgrName, 0, options.bytes(), null, hconn, environment, cc,
                    reason);
        }
        return new Completion(cc.x, reason.x);
    }

    static Completion open(int hconn, ObjectDescriptor od, SpiOpenOptions options, LocalHobj hobj) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.spiOpen(trace, hconn, 0, 0, od.bytes(), options.bytes(), hobj, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion put(int hconn, int hobj, MessageDescriptor md, PutMessageOptions pmo, SpiPutOptions spi,
            byte[] buffer) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.spiPut(trace, hconn, 0, 0, hobj, md.bytes(), pmo.bytes(), spi.bytes(), buffer.length, buffer, cc,
                reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion get(int hconn, int hobj, MessageDescriptor md, GetMessageOptions gmo, SpiGetOptions spi,
            byte[] buffer, Pint dataLength) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.spiGet(trace, hconn, 0, 0, hobj, md.bytes(), gmo.bytes(), spi.bytes(), buffer.length, buffer,
                dataLength, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion syncPoint(int hconn, SpiSyncPointOptions options) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.spiSyncPoint(trace, hconn, 0, 0, options.bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion define(int hconn, int define, ObjectSelector selector, byte[] likeObject, int[] selectors,
            int[] intAttrs, AttrErrors errors) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.spiDefine(trace, hconn, 0, 0, define == SpiConstants.LPIDEF_CREATE, selector.bytes(), likeObject,
                selectors.length, ints(selectors), intAttrs.length, ints(intAttrs), 0, new byte[0], null, 0,
                errors.bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion delete(int hconn, ObjectSelector selector, boolean purge) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.spiDelete(trace, hconn, 0, 0, selector.bytes(), purge, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion inquire(int hconn, ObjectSelector selector, int[] selectors, int[] intAttrs,
            byte[] charAttrs, FilterElement filter) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        byte[] intBytes = ints(intAttrs);
        Native.spiInquire(trace, hconn, 0, 0, selector.bytes(), selectors.length, ints(selectors), intAttrs.length,
                intBytes, charAttrs.length, charAttrs, bytes(filter), cc, reason);
        ByteBuffer.wrap(intBytes).order(ByteOrder.nativeOrder()).asIntBuffer().get(intAttrs);
        return new Completion(cc.x, reason.x);
    }

    static Completion channelAuth(int hconn, ChlAuthParms parms) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSPICHLAUTH(trace, hconn, 0, 0, parms.bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    /** Converts data in place; dataLength in/out, unmapped out. */
    static Completion convert(int hconn, int ccsid, int encoding, MessageDescriptor md, byte[] data, Pint dataLength,
            Pint unmapped) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.vpiConvertData(trace, hconn, 0, 0, 0, encoding, ccsid, false, md.bytes(), data, dataLength, 0,
                data.length, cc, reason, unmapped);
        return new Completion(cc.x, reason.x);
    }

    private static byte[] bytes(NativeStruct struct) {
        return struct == null ? null : struct.bytes();
    }

    private static byte[] ints(int[] values) {
        ByteBuffer buffer = ByteBuffer.allocate(values.length * Integer.BYTES).order(ByteOrder.nativeOrder());
        buffer.asIntBuffer().put(values);
        return buffer.array();
    }
}
