package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.util.Objects;

/**
 * What {@link Connection#subscribe(SubscribeOptions)} asks for: immutable,
 * made with {@link #to(String)} (a new subscription) or {@link #resume(String)}
 * (a durable one taken up again by name).
 *
 * <p>A subscription's topic string may hold wildcards, each a whole level:
 * "*" matches exactly one level ("prices/*&#47;apples" matches
 * "prices/fruit/apples"), "**" any number of levels, none included
 * ("prices/**" matches "prices" and "prices/fruit/apples").
 *
 * <p>By default the queue manager makes the destination queue and deletes it
 * with the subscription ({@link Subscription#queue()}); with
 * {@link Builder#destination(Queue)} the publications go to a queue of the
 * caller's. A subscription is non-durable (it ends with its handle or its
 * connection) unless {@link Builder#durable(String)} names it.
 */
public final class SubscribeOptions {

    private final int options;
    private final String topicString;
    private final String name;
    private final Queue destination;
    private final byte[] correlId;

    private SubscribeOptions(Builder b) {
        int word = b.create ? Constants.VXSO_CREATE : 0;
        word |= b.resume ? Constants.VXSO_RESUME : 0;
        word |= b.durable ? Constants.VXSO_DURABLE : 0;
        word |= b.destination == null ? Constants.VXSO_MANAGED : 0;
        word |= b.newPublicationsOnly ? Constants.VXSO_NEW_PUBLICATIONS_ONLY : 0;
        word |= b.correlId != null ? Constants.VXSO_SET_CORREL_ID : 0;
        options = word;
        topicString = b.topicString;
        name = b.name;
        destination = b.destination;
        correlId = b.correlId;
    }

    /**
     * A new subscription to the topics this topic string matches.
     *
     * @param topicString levels separated by '/', each may be a wildcard "*" or "**"
     * @return a builder for the rest
     */
    public static Builder to(String topicString) {
        Builder b = new Builder();
        b.topicString = Objects.requireNonNull(topicString, "topicString");
        b.create = true;
        return b;
    }

    /**
     * The durable subscription of this name, taken up again.
     *
     * @param name the subscription's name
     * @return a builder for the rest
     */
    public static Builder resume(String name) {
        Builder b = new Builder();
        b.name = Objects.requireNonNull(name, "name");
        b.resume = true;
        b.durable = true;
        return b;
    }

    int options() {
        return options;
    }

    String topicString() {
        return topicString;
    }

    String name() {
        return name;
    }

    Queue destination() {
        return destination;
    }

    byte[] correlId() {
        return correlId == null ? null : correlId.clone();
    }

    /** Builds {@link SubscribeOptions}. */
    public static final class Builder {
        private boolean create;
        private boolean resume;
        private boolean durable;
        private boolean newPublicationsOnly;
        private String topicString = "";
        private String name = "";
        private Queue destination;
        private byte[] correlId;

        private Builder() {
        }

        /**
         * Names the subscription (names are unique in the queue manager).
         *
         * @param subscriptionName the name
         * @return this builder
         */
        public Builder name(String subscriptionName) {
            name = Objects.requireNonNull(subscriptionName, "subscriptionName");
            return this;
        }

        /**
         * A durable subscription of this name: it stays, and collects, until removed.
         *
         * @param subscriptionName the name
         * @return this builder
         */
        public Builder durable(String subscriptionName) {
            durable = true;
            return name(subscriptionName);
        }

        /**
         * With {@link SubscribeOptions#to}: resume the subscription when one of this name exists.
         *
         * @return this builder
         */
        public Builder orResume() {
            resume = true;
            return this;
        }

        /**
         * Publications go to this open queue rather than to a queue made for the subscription.
         *
         * @param queue a queue of the subscribing connection, open for output
         * @return this builder
         */
        public Builder destination(Queue queue) {
            destination = Objects.requireNonNull(queue, "queue");
            return this;
        }

        /**
         * No retained publications when the subscription is made.
         *
         * @return this builder
         */
        public Builder newPublicationsOnly() {
            newPublicationsOnly = true;
            return this;
        }

        /**
         * Every delivery carries this correlation identifier.
         *
         * @param id up to 24 bytes, zero-padded
         * @return this builder
         */
        public Builder correlId(byte[] id) {
            Objects.requireNonNull(id, "id");
            if (id.length > Constants.VX_CORREL_ID_LENGTH) {
                throw new IllegalArgumentException("identifier longer than " + Constants.VX_CORREL_ID_LENGTH
                        + " bytes");
            }
            correlId = id.clone();
            return this;
        }

        /**
         * The options as chosen.
         *
         * @return new, immutable options
         */
        public SubscribeOptions build() {
            return new SubscribeOptions(this);
        }
    }
}
