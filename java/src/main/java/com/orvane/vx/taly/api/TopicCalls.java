package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.local.internal.base.Native;
import com.orvane.vx.taly.structs.Status;
import com.orvane.vx.taly.structs.SubscriptionDescriptor;
import com.orvane.vx.taly.structs.SubscriptionRequestOptions;

/** The subscribe, subscription-request and status calls, as {@link Calls} makes the others. */
final class TopicCalls {

    private TopicCalls() {
    }

    static Completion subscribe(int hconn, SubscriptionDescriptor sd, LocalHobj hobj, LocalHobj hsub) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXSUB(trace, hconn, 0, 0, sd.bytes(), hobj, hsub, cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion request(int hconn, LocalHobj hsub, int action, SubscriptionRequestOptions sro) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXSUBRQ(trace, hconn, 0, 0, hsub, action, sro.bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }

    static Completion status(int hconn, int type, Status sts) {
        boolean trace = Binding.ready();
        Pint cc = new Pint();
        Pint reason = new Pint();
        Native.VXSTAT(trace, hconn, 0, 0, type, sts.bytes(), cc, reason);
        return new Completion(cc.x, reason.x);
    }
}
