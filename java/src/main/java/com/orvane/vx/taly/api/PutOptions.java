package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.util.Objects;

/**
 * How {@link Queue#put(Message, PutOptions)} puts a message: immutable, made
 * with {@link #builder()}. By default a put is outside any unit of work and
 * keeps the message's identifiers (an all-zero message identifier is
 * generated), and the message carries the properties set on it.
 */
public final class PutOptions {

    /** Outside any unit of work, identifiers as the message has them. */
    public static final PutOptions DEFAULTS = builder().build();

    private final boolean syncpoint;
    private final boolean newMsgId;
    private final boolean newCorrelId;
    private final boolean retain;
    private final MessageHandle properties;

    private PutOptions(Builder b) {
        syncpoint = b.syncpoint;
        newMsgId = b.newMsgId;
        newCorrelId = b.newCorrelId;
        retain = b.retain;
        properties = b.properties;
    }

    /**
     * A builder with the defaults.
     *
     * @return a new builder
     */
    public static Builder builder() {
        return new Builder();
    }

    /**
     * Whether the put is under the connection's unit of work.
     *
     * @return true under syncpoint
     */
    public boolean syncpoint() {
        return syncpoint;
    }

    /**
     * The handle whose properties the message carries.
     *
     * @return the handle, or null
     */
    public MessageHandle properties() {
        return properties;
    }

    /** The native put-options word. */
    int options() {
        return (syncpoint ? Constants.VXPMO_SYNCPOINT : Constants.VXPMO_NO_SYNCPOINT)
                | (newMsgId ? Constants.VXPMO_NEW_MSG_ID : 0)
                | (newCorrelId ? Constants.VXPMO_NEW_CORREL_ID : 0)
                | (retain ? Constants.VXPMO_RETAIN : 0);
    }

    /** Builds {@link PutOptions}. */
    public static final class Builder {
        private boolean syncpoint;
        private boolean newMsgId;
        private boolean newCorrelId;
        private boolean retain;
        private MessageHandle properties;

        private Builder() {
        }

        /**
         * Puts under the connection's unit of work: others see it after the commit.
         *
         * @return this builder
         */
        public Builder syncpoint() {
            syncpoint = true;
            return this;
        }

        /**
         * Generates a message identifier even if the message has one.
         *
         * @return this builder
         */
        public Builder newMsgId() {
            newMsgId = true;
            return this;
        }

        /**
         * Generates a correlation identifier.
         *
         * @return this builder
         */
        public Builder newCorrelId() {
            newCorrelId = true;
            return this;
        }

        /**
         * A publication also becomes the retained publication of its topic:
         * later subscriptions receive it, and {@link Subscription#requestRetained()}
         * asks for it again. Only to a topic, and not under syncpoint.
         *
         * @return this builder
         */
        public Builder retain() {
            retain = true;
            return this;
        }

        /**
         * The message carries this handle's properties, and not those set on
         * the {@link Message} itself.
         *
         * @param handle a handle of the same connection
         * @return this builder
         */
        public Builder properties(MessageHandle handle) {
            properties = Objects.requireNonNull(handle, "handle");
            return this;
        }

        /**
         * The options as chosen.
         *
         * @return new, immutable options
         */
        public PutOptions build() {
            return new PutOptions(this);
        }
    }
}
