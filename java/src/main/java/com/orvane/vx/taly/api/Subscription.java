package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.SubscriptionDescriptor;
import com.orvane.vx.taly.structs.SubscriptionRequestOptions;
import java.util.EnumSet;

/**
 * A subscription open on a {@link Connection}: publications that match its
 * topic string arrive as messages on its destination queue. Closing
 * (try-with-resources) ends a non-durable subscription, deleting a queue made
 * for it, and lets go of a durable one, which keeps collecting until it is
 * resumed or {@link #remove() removed}. Its calls run on the connection and
 * are serialised with the connection's other calls.
 */
public final class Subscription implements AutoCloseable {

    private final Connection connection;
    private final LocalHobj hsub;
    private final Queue queue;
    private final boolean managed;
    private final byte[] correlId;
    private final Completion completion;
    private boolean closed;

    private Subscription(Connection connection, LocalHobj hsub, Queue queue, boolean managed, byte[] correlId,
            Completion completion) {
        this.connection = connection;
        this.hsub = hsub;
        this.queue = queue;
        this.managed = managed;
        this.correlId = correlId;
        this.completion = completion;
    }

    static Subscription subscribe(Connection connection, SubscribeOptions options) {
        SubscriptionDescriptor sd = new SubscriptionDescriptor(options.options(), options.topicString(),
                options.name());
        byte[] givenCorrelId = options.correlId();
        if (givenCorrelId != null) {
            sd.setSubCorrelId(givenCorrelId);
        }
        Queue destination = options.destination();
        int destinationHandle = destination == null ? 0 : destination.handle();
        return connection.call("VXSUB", hconn -> {
            LocalHobj hobj = new LocalHobj(destinationHandle);
            LocalHobj hsub = new LocalHobj();
            Completion completion = TopicCalls.subscribe(hconn, sd, hobj, hsub);
            if (completion.failed()) {
                String what = options.topicString().isEmpty() ? "subscription '" + options.name() + "'"
                        : "topic string '" + options.topicString() + "'";
                throw new VxException("VXSUB", completion, what);
            }
            // A managed subscription (made now, or resumed) hands back a handle on its queue.
            boolean managed = destination == null && hobj.getValue() != 0;
            Queue queue = managed ? new Queue(connection, hobj, sd.resolvedQName(),
                    EnumSet.of(OpenOption.INPUT_SHARED, OpenOption.BROWSE, OpenOption.INQUIRE), completion, true)
                    : destination;
            return new Subscription(connection, hsub, queue, managed, sd.subCorrelId(), completion);
        });
    }

    /**
     * The queue the publications arrive on: the one made for the
     * subscription, or the destination given. Null for a resumed durable
     * subscription that delivers to a queue of the caller's.
     *
     * @return the destination queue, or null
     */
    public Queue queue() {
        return queue;
    }

    /**
     * The correlation identifier that every delivery carries.
     *
     * @return a copy of its 24 bytes
     */
    public byte[] correlId() {
        return correlId.clone();
    }

    /**
     * What the subscribe call reported.
     *
     * @return the subscribe's completion
     */
    public Completion subscribeCompletion() {
        return completion;
    }

    /**
     * Delivers again the retained publication of every topic the subscription
     * matches ({@code VXSUBRQ}) and returns how many were delivered; 0 when
     * none matches.
     *
     * @return the publications delivered
     */
    public int requestRetained() {
        return call("VXSUBRQ", hconn -> {
            SubscriptionRequestOptions sro = new SubscriptionRequestOptions();
            Completion c = TopicCalls.request(hconn, hsub, Constants.VXSR_RETAINED, sro);
            if (c.failed()) {
                throw new VxException("VXSUBRQ", c);
            }
            return sro.numPubs();
        });
    }

    /** Closes the subscription, keeping a durable one; see the class comment. */
    @Override
    public void close() {
        close(Constants.VXCO_NONE);
    }

    /**
     * Closes the subscription and removes it, durable or not.
     *
     * @return the close's completion
     */
    public Completion remove() {
        return close(Constants.VXCO_REMOVE_SUB);
    }

    private Completion close(int options) {
        return connection.callUnlessClosed(Completion.OK, hconn -> {
            if (closed) {
                return Completion.OK;
            }
            Completion c = Calls.close(hconn, hsub, options);
            if (!c.failed() || c.reason() == Reasons.VXRC_HOBJ_ERROR) {
                closed = true;
                if (managed) {
                    queue.close();
                }
            }
            if (c.failed()) {
                throw new VxException("VXCLOSE", c, "subscription");
            }
            return c;
        });
    }

    /**
     * Whether the subscription is closed, or its connection.
     *
     * @return true once closed
     */
    public boolean isClosed() {
        return connection.callUnlessClosed(true, hconn -> closed);
    }

    private <T> T call(String callName, Connection.Call<T> body) {
        return connection.call(callName, hconn -> {
            if (closed) {
                throw new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HSUB_ERROR,
                        "the subscription is closed");
            }
            return body.run(hconn);
        });
    }

    /** The destination queue's name and whether the subscription is closed. */
    @Override
    public String toString() {
        return "Subscription[" + (queue == null ? "" : queue.name()) + (closed ? ", closed" : "") + "]";
    }
}
