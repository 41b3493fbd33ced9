package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/**
 * How {@link Queue#put(Message, PutOptions)} puts a message: immutable, made
 * with {@link #builder()}. By default a put is outside any unit of work and
 * keeps the message's identifiers (an all-zero message identifier is
 * generated).
 */
public final class PutOptions {

    /** Outside any unit of work, identifiers as the message has them. */
    public static final PutOptions DEFAULTS = builder().build();

    private final boolean syncpoint;
    private final boolean newMsgId;
    private final boolean newCorrelId;

    private PutOptions(Builder b) {
        syncpoint = b.syncpoint;
        newMsgId = b.newMsgId;
        newCorrelId = b.newCorrelId;
    }

    public static Builder builder() {
        return new Builder();
    }

    public boolean syncpoint() {
        return syncpoint;
    }

    /** The native put-options word. */
    int options() {
        return (syncpoint ? Constants.VXPMO_SYNCPOINT : Constants.VXPMO_NO_SYNCPOINT)
                | (newMsgId ? Constants.VXPMO_NEW_MSG_ID : 0)
                | (newCorrelId ? Constants.VXPMO_NEW_CORREL_ID : 0);
    }

    /** Builds {@link PutOptions}. */
    public static final class Builder {
        private boolean syncpoint;
        private boolean newMsgId;
        private boolean newCorrelId;

        private Builder() {
        }

        /** Puts under the connection's unit of work: others see it after the commit. */
        public Builder syncpoint() {
            syncpoint = true;
            return this;
        }

        /** Generates a message identifier even if the message has one. */
        public Builder newMsgId() {
            newMsgId = true;
            return this;
        }

        /** Generates a correlation identifier. */
        public Builder newCorrelId() {
            newCorrelId = true;
            return this;
        }

        public PutOptions build() {
            return new PutOptions(this);
        }
    }
}
