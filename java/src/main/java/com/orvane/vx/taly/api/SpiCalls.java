package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHconn;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.AttrErrors;
import com.orvane.vx.taly.structs.ChlAuthParms;
import com.orvane.vx.taly.structs.ConnectOptions;
import com.orvane.vx.taly.structs.FilterElement;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.NamedSubscriberOptions;
import com.orvane.vx.taly.structs.NativeStruct;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.ObjectSelector;
import com.orvane.vx.taly.structs.PutMessageOptions;
import com.orvane.vx.taly.structs.SecurityContext;
import com.orvane.vx.taly.structs.SpiConnectOptions;
import com.orvane.vx.taly.structs.SpiConstants;
import com.orvane.vx.taly.structs.SpiGetOptions;
import com.orvane.vx.taly.structs.SpiOpenOptions;
import com.orvane.vx.taly.structs.SpiPutOptions;
import com.orvane.vx.taly.structs.SpiSubscribeDescriptor;
import com.orvane.vx.taly.structs.SpiSubscriptionRequest;
import com.orvane.vx.taly.structs.SpiSyncPointOptions;
import com.orvane.vx.taly.structs.SubscriptionDescriptor;
import com.orvane.vx.taly.structs.SubscriptionRequestOptions;
import com.orvane.vx.taly.structs.UnsubscribeDescriptor;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;

/**
 * One method per private (service-provider) call, as {@link Calls} has for the
 * public ones: each makes the holders, passes whole arrays and returns what
 * the call reported, without checking or throwing.
 */
final class SpiCalls {

    private static final int UTF8_CCSID = 1208;

    private SpiCalls() {
    }

    /** Without an environment ({@link SpiConstants#LPI_NO_ENVIRONMENT}) the plain private connect. */
    static Completion connect(byte[] qmgrName, ConnectOptions cno, SpiConnectOptions options, LocalHconn hconn,
            int environment) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        byte[] cnoBytes = bytes(cno);
        if (environment == SpiConstants.LPI_NO_ENVIRONMENT) {
            Native.spiConnect(trace, qmgrName, 0, options.bytes(), cnoBytes, hconn, cc, reason);
        } else {
            Native.spiConnect_with_environment(trace, qmgrName, 0, options.bytes(), cnoBytes, hconn, environment, cc,
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

    /** The user to adopt is the client identifier; inOut carries LPIADU_* in and LPIADU_OUT_* out. */
    static Completion adoptUser(int hconn, SecurityContext context, byte[] productIdentifier, byte[] clientIdentifier,
            Pint inOut) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSPIAdoptUser(trace, hconn, 0, 0, 0, bytes(context), null, 0, null, 0, null, null, inOut, 0,
                productIdentifier, clientIdentifier, UTF8_CCSID, null, 0, null, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion mapCredentials(int hconn, SecurityContext context) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSPIMapCredentials(trace, hconn, 0, 0, context.bytes(), null, null, null, null, null, null, cc,
                reason);
        return new Completion(cc.x, reason.x);
    }

    /** inOut: the identifier buffer's length in, the number found out; inUse out. */
    static Completion inquireNamedSubscribers(int hconn, NamedSubscriberOptions options, byte[] name, byte[] subIds,
            Pint inOut, Pint inUse) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSPIInquireNamedSubscribers(trace, hconn, 0, 0, options.bytes(), name, name.length, subIds, inOut,
                inUse, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion subscribe(int hconn, SpiSubscribeDescriptor spi, SubscriptionDescriptor sd, LocalHobj hobj,
            LocalHobj hsub) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSpiSubscribe(trace, hconn, 0, 0, spi.bytes(), sd.bytes(), hobj, hsub, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion subscriptionRequest(int hconn, LocalHobj hsub, int action, SpiSubscriptionRequest spi,
            SubscriptionRequestOptions sro) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSPISubscriptionRequest(trace, hconn, 0, 0, hsub, action, spi.bytes(), sro.bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion unsubscribe(int hconn, UnsubscribeDescriptor usd) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.lpiSpiUnsubscribe(trace, hconn, 0, 0, usd.bytes(), cc, reason);
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
