package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.HmsgImpl;
import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.BufferOptions;
import com.orvane.vx.taly.structs.InquirePropertyOptions;
import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.PropertyName;
import com.orvane.vx.taly.structs.PropertyOptions;

/** The message-handle and property calls, as {@link Calls} makes the others. */
final class PropertyCalls {

    private PropertyCalls() {
    }

    static Completion create(int hconn, HmsgImpl hmsg) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXCRTMH(trace, hconn, 0, 0, PropertyOptions.createHandle().bytes(), hmsg, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion delete(int hconn, HmsgImpl hmsg) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXDLTMH(trace, hconn, 0, 0, hmsg, PropertyOptions.deleteHandle().bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion set(int hconn, long hmsg, String name, int type, byte[] value) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXSETMP(trace, hconn, 0, 0, hmsg, PropertyOptions.setProperty().bytes(),
                PropertyName.of(name).bytes(), PropertyOptions.descriptor().bytes(), type, value.length, value, cc,
                reason);
        return new Completion(cc.x, reason.x);
    }

    /** type: in the type asked for, out the property's; dataLength: out the value's full length. */
    static Completion inquire(int hconn, long hmsg, InquirePropertyOptions options, String name, Pint type,
            byte[] value, Pint dataLength) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXINQMP(trace, hconn, 0, 0, hmsg, options.bytes(), PropertyName.of(name).bytes(),
                PropertyOptions.descriptor().bytes(), type, value.length, value, dataLength, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion deleteProperty(int hconn, long hmsg, String name) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXDLTMP(trace, hconn, 0, 0, hmsg, PropertyOptions.deleteProperty().bytes(),
                PropertyName.of(name).bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion toBuffer(int hconn, long hmsg, BufferOptions options, String pattern, MessageDescriptor md,
            byte[] buffer, Pint dataLength) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXMHBUF(trace, hconn, 0, 0, hmsg, options.bytes(), PropertyName.of(pattern).bytes(),
                md == null ? null : md.bytes(), buffer.length, buffer, dataLength, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion fromBuffer(int hconn, long hmsg, BufferOptions options, MessageDescriptor md,
            byte[] buffer) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXBUFMH(trace, hconn, 0, 0, hmsg, options.bytes(), md == null ? null : md.bytes(), buffer.length,
                buffer, 0, cc, reason);
        return new Completion(cc.x, reason.x);
    }
}
