package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.util.Objects;
import java.util.function.BiConsumer;

/**
 * How a consumer registered with {@link Queue#registerConsumer} takes its
 * messages: immutable, made with {@link #builder()}. By default it removes
 * whole messages of any length, outside any unit of work, matching any
 * message, and an exception thrown by its listener goes to the uncaught
 * exception handler of the queue manager's thread.
 */
public final class ConsumerOptions {

    /** Whole messages, of any length. */
    public static final ConsumerOptions DEFAULTS = builder().build();

    private final int maxMessageLength;
    private final boolean acceptTruncated;
    private final boolean syncpoint;
    private final boolean browse;
    private final boolean suspended;
    private final byte[] msgId;
    private final byte[] correlId;
    private final BiConsumer<ConsumerCall, Exception> onFailure;

    private ConsumerOptions(Builder b) {
        maxMessageLength = b.maxMessageLength;
        acceptTruncated = b.acceptTruncated;
        syncpoint = b.syncpoint;
        browse = b.browse;
        suspended = b.suspended;
        msgId = b.msgId;
        correlId = b.correlId;
        onFailure = b.onFailure;
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
     * The longest message taken whole.
     *
     * @return the length in bytes, or -1 for any length
     */
    public int maxMessageLength() {
        return maxMessageLength;
    }

    /**
     * Whether the consumer is registered suspended.
     *
     * @return true when its messages wait for {@link Queue#resumeConsumer()}
     */
    public boolean suspended() {
        return suspended;
    }

    /** The native get-options word of the registration. */
    int options() {
        int word = syncpoint ? Constants.VXGMO_SYNCPOINT : Constants.VXGMO_NO_SYNCPOINT;
        if (acceptTruncated) {
            word |= Constants.VXGMO_ACCEPT_TRUNCATED;
        }
        return browse ? word | Constants.VXGMO_BROWSE_FIRST : word;
    }

    int matchOptions() {
        return (msgId != null ? Constants.VXMO_MATCH_MSG_ID : 0)
                | (correlId != null ? Constants.VXMO_MATCH_CORREL_ID : 0);
    }

    /** The registration's descriptor: the values to match. */
    Message matchValues() {
        Message message = new Message();
        if (msgId != null) {
            message.setMsgId(msgId);
        }
        if (correlId != null) {
            message.setCorrelId(correlId);
        }
        return message;
    }

    /** Hands an exception thrown by a listener to the failure handler. */
    void failed(ConsumerCall call, Exception e) {
        if (onFailure != null) {
            onFailure.accept(call, e);
            return;
        }
        Thread thread = Thread.currentThread();
        thread.getUncaughtExceptionHandler().uncaughtException(thread, e);
    }

    /** Builds {@link ConsumerOptions}; each method sets one choice and returns the builder. */
    public static final class Builder {
        private int maxMessageLength = Constants.VXCBD_FULL_MSG_LENGTH;
        private boolean acceptTruncated;
        private boolean syncpoint;
        private boolean browse;
        private boolean suspended;
        private byte[] msgId;
        private byte[] correlId;
        private BiConsumer<ConsumerCall, Exception> onFailure;

        private Builder() {
        }

        /**
         * Takes messages of up to this many bytes whole; a longer one is cut
         * with {@link #acceptTruncated()}, or else stays on the queue and is
         * shown to the listener once, without its body
         * ({@link CallType#MSG_NOT_REMOVED}).
         *
         * @param bytes 0 or more
         * @return this builder
         * @throws IllegalArgumentException for a negative length
         */
        public Builder maxMessageLength(int bytes) {
            if (bytes < 0) {
                throw new IllegalArgumentException("negative maximum message length " + bytes);
            }
            maxMessageLength = bytes;
            return this;
        }

        /**
         * Removes a message longer than the maximum length anyway, with its first bytes.
         *
         * @return this builder
         */
        public Builder acceptTruncated() {
            acceptTruncated = true;
            return this;
        }

        /**
         * Removes each message under the connection's unit of work; the listener commits or backs out.
         *
         * @return this builder
         */
        public Builder syncpoint() {
            syncpoint = true;
            return this;
        }

        /**
         * Browses the queue instead: each message once, in order, left on the queue.
         *
         * @return this builder
         */
        public Builder browse() {
            browse = true;
            return this;
        }

        /**
         * Registers the consumer suspended; {@link Queue#resumeConsumer()} lets its messages come.
         *
         * @return this builder
         */
        public Builder suspended() {
            suspended = true;
            return this;
        }

        /**
         * Takes only messages with this message identifier.
         *
         * @param id up to 24 bytes, zero-padded
         * @return this builder
         */
        public Builder matchMsgId(byte[] id) {
            msgId = Message.checkedId(id, "id").clone();
            return this;
        }

        /**
         * Takes only messages with this correlation identifier.
         *
         * @param id up to 24 bytes, zero-padded
         * @return this builder
         */
        public Builder matchCorrelId(byte[] id) {
            correlId = Message.checkedId(id, "id").clone();
            return this;
        }

        /**
         * Receives each exception that the listener throws, with the call it
         * threw in, on the queue manager's thread; the next call comes all the
         * same.
         *
         * @param handler what to do with the exception
         * @return this builder
         */
        public Builder onFailure(BiConsumer<ConsumerCall, Exception> handler) {
            onFailure = Objects.requireNonNull(handler, "handler");
            return this;
        }

        /**
         * The options as chosen.
         *
         * @return new, immutable options
         * @throws IllegalStateException for a browsing consumer under syncpoint
         */
        public ConsumerOptions build() {
            if (browse && syncpoint) {
                throw new IllegalStateException("a browsing consumer removes nothing: no syncpoint");
            }
            return new ConsumerOptions(this);
        }
    }
}
