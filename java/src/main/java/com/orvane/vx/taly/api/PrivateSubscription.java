package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.SpiSubscribeDescriptor;
import com.orvane.vx.taly.structs.SpiSubscriptionRequest;
import com.orvane.vx.taly.structs.SubscriptionDescriptor;
import com.orvane.vx.taly.structs.SubscriptionRequestOptions;
import com.orvane.vx.taly.structs.UnsubscribeDescriptor;

/**
 * A subscription made by the private subscribe on a {@link PrivateConnection},
 * always with a destination queue that the queue manager makes for it.
 * {@link #unsubscribe()} removes it, durable or not.
 */
public final class PrivateSubscription {

    private final PrivateConnection connection;
    private final LocalHobj hsub;
    private final PrivateConnection.PrivateQueue queue;
    private final int retainedCount;

    private PrivateSubscription(PrivateConnection connection, LocalHobj hsub, PrivateConnection.PrivateQueue queue,
            int retainedCount) {
        this.connection = connection;
        this.hsub = hsub;
        this.queue = queue;
        this.retainedCount = retainedCount;
    }

    /**
     * Subscribes with VXSO_* options (VXSO_MANAGED is added) and the private
     * LPISO_* options; name may be null for an unnamed, non-durable subscription.
     */
    static PrivateSubscription subscribe(PrivateConnection connection, String topicString, String name, int options,
            int lpiOptions) {
        SubscriptionDescriptor sd = new SubscriptionDescriptor(options | Constants.VXSO_MANAGED,
                topicString == null ? "" : topicString, name == null ? "" : name);
        SpiSubscribeDescriptor spi = new SpiSubscribeDescriptor(lpiOptions);
        LocalHobj hobj = new LocalHobj();
        LocalHobj hsub = new LocalHobj();
        return connection.call("lpiSPISubscribe", hconn -> {
            Calls.check("lpiSPISubscribe", SpiCalls.subscribe(hconn, spi, sd, hobj, hsub));
            return new PrivateSubscription(connection, hsub, connection.queueFor(hobj, sd.resolvedQName()),
                    spi.retainedCount());
        });
    }

    /**
     * The queue the publications arrive on.
     *
     * @return the queue made for the subscription
     */
    public PrivateConnection.PrivateQueue queue() {
        return queue;
    }

    /**
     * Retained publications placed on the queue when subscribing.
     *
     * @return their count
     */
    public int retainedCount() {
        return retainedCount;
    }

    /**
     * Asks again for the retained publications the subscription matches;
     * answers how many were delivered and matched, {delivered, matched}.
     * None matching is the warning {@code VXRC_NO_RETAINED_MSG}, not an error.
     *
     * @return {delivered, matched}
     */
    public int[] requestRetained() {
        SpiSubscriptionRequest spi = new SpiSubscriptionRequest();
        SubscriptionRequestOptions sro = new SubscriptionRequestOptions();
        connection.call("lpiSPISubscriptionRequest", hconn -> Calls.check("lpiSPISubscriptionRequest",
                SpiCalls.subscriptionRequest(hconn, hsub, Constants.VXSR_RETAINED, spi, sro)));
        return new int[] {sro.numPubs(), spi.matched()};
    }

    /** Removes the subscription, and the queue made for it. */
    public void unsubscribe() {
        connection.call("lpiSPIUnsubscribe", hconn -> Calls.check("lpiSPIUnsubscribe",
                SpiCalls.unsubscribe(hconn, UnsubscribeDescriptor.byHandle(hsub.getValue()))));
    }
}
