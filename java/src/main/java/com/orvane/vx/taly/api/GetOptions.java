package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.time.Duration;
import java.util.Objects;

/**
 * How {@link Queue#get(GetOptions)} and {@link Queue#receive(GetOptions)}
 * take a message: immutable, made with {@link #builder()}. By default a get
 * does not wait, matches any message, removes it outside any unit of work,
 * and receives it whole: the buffer starts at {@value #DEFAULT_BUFFER_SIZE}
 * bytes and grows to a longer message. With {@link Builder#bufferSize(int)}
 * the buffer has that size; a longer message then fails with
 * {@code VXRC_TRUNCATED_MSG_FAILED} and stays on the queue, unless
 * {@link Builder#acceptTruncated()} is set.
 */
public final class GetOptions {

    /** The size a buffer starts at, and the fixed size of one that does not grow, unless set. */
    public static final int DEFAULT_BUFFER_SIZE = 64 * 1024;

    /** What {@link #waitMillis()} answers for a wait without limit. */
    public static final int UNLIMITED_WAIT = Constants.VXWI_UNLIMITED;

    /** No wait, no matching, no unit of work, a buffer that grows to the message. */
    public static final GetOptions DEFAULTS = builder().build();

    /** Whether a get removes the message or only copies it. */
    public enum Browse {
        /** Remove the message (a destructive get). */
        NONE,
        /** Copy the first message and set the handle's browse cursor on it. */
        FIRST,
        /** Copy the message after the handle's browse cursor. */
        NEXT
    }

    private final int waitMillis;
    private final byte[] msgId;
    private final byte[] correlId;
    private final Browse browse;
    private final boolean acceptTruncated;
    private final boolean syncpoint;
    private final int bufferSize;
    private final boolean bufferGrows;
    private final MessageHandle properties;
    private final boolean withProperties;

    private GetOptions(Builder b) {
        properties = b.properties;
        withProperties = b.withProperties;
        waitMillis = b.waitMillis;
        msgId = b.msgId;
        correlId = b.correlId;
        browse = b.browse;
        acceptTruncated = b.acceptTruncated;
        syncpoint = b.syncpoint;
        bufferSize = b.bufferSize;
        bufferGrows = b.bufferGrows;
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
     * How long a get waits for a matching message.
     *
     * @return milliseconds, 0 for no wait, {@link #UNLIMITED_WAIT} for no limit
     */
    public int waitMillis() {
        return waitMillis;
    }

    /**
     * Whether a get waits at all.
     *
     * @return true with a wait, limited or not
     */
    public boolean waits() {
        return waitMillis != 0;
    }

    /**
     * The size of the buffer a get starts with.
     *
     * @return the size in bytes
     */
    public int bufferSize() {
        return bufferSize;
    }

    /**
     * Whether the buffer grows to a message longer than {@link #bufferSize()}.
     *
     * @return true unless a buffer size was set
     */
    public boolean bufferGrows() {
        return bufferGrows;
    }

    /**
     * Whether the get removes the message or copies it.
     *
     * @return the browse choice
     */
    public Browse browse() {
        return browse;
    }

    /**
     * Whether the message is removed under the connection's unit of work.
     *
     * @return true under syncpoint
     */
    public boolean syncpoint() {
        return syncpoint;
    }

    /**
     * Whether a message longer than a fixed buffer is removed cut.
     *
     * @return true when truncation is accepted
     */
    public boolean acceptTruncated() {
        return acceptTruncated;
    }

    /**
     * The handle that receives the message's properties.
     *
     * @return the handle, or null
     */
    public MessageHandle properties() {
        return properties;
    }

    /**
     * Whether the message got comes back with its properties.
     *
     * @return true when asked for with {@link Builder#withProperties()}
     */
    public boolean withProperties() {
        return withProperties;
    }

    /** The native get-options word. */
    int options() {
        int word = syncpoint ? Constants.VXGMO_SYNCPOINT : Constants.VXGMO_NO_SYNCPOINT;
        if (waitMillis != 0) {
            word |= Constants.VXGMO_WAIT;
        }
        if (acceptTruncated) {
            word |= Constants.VXGMO_ACCEPT_TRUNCATED;
        }
        if (browse == Browse.FIRST) {
            word |= Constants.VXGMO_BROWSE_FIRST;
        } else if (browse == Browse.NEXT) {
            word |= Constants.VXGMO_BROWSE_NEXT;
        }
        return word;
    }

    /** The native match-options word. */
    int matchOptions() {
        return (msgId != null ? Constants.VXMO_MATCH_MSG_ID : 0)
                | (correlId != null ? Constants.VXMO_MATCH_CORREL_ID : 0);
    }

    /** Writes the values to match into a descriptor for the get. */
    void applyMatch(Message message) {
        if (msgId != null) {
            message.setMsgId(msgId);
        }
        if (correlId != null) {
            message.setCorrelId(correlId);
        }
    }

    /** Builds {@link GetOptions}; each method sets one choice and returns the builder. */
    public static final class Builder {
        private int waitMillis;
        private byte[] msgId;
        private byte[] correlId;
        private Browse browse = Browse.NONE;
        private boolean acceptTruncated;
        private boolean syncpoint;
        private int bufferSize = DEFAULT_BUFFER_SIZE;
        private boolean bufferGrows = true;
        private MessageHandle properties;
        private boolean withProperties;

        private Builder() {
        }

        /**
         * Waits up to this long for a matching message (rounded up to whole
         * milliseconds; zero for no wait). A put, or a commit that makes a
         * put visible, ends the wait; so do a close of the queue or its
         * connection from another thread and an interrupt of the waiting
         * thread (see {@link Queue#get(GetOptions)}).
         *
         * @param wait the longest wait
         * @return this builder
         * @throws IllegalArgumentException for a negative wait or one over {@code Integer.MAX_VALUE} ms
         */
        public Builder waitFor(Duration wait) {
            Objects.requireNonNull(wait, "wait");
            if (wait.isNegative()) {
                throw new IllegalArgumentException("negative wait " + wait);
            }
            long millis;
            try {
                millis = wait.plusNanos(999_999).toMillis();
            } catch (ArithmeticException e) {
                millis = Long.MAX_VALUE;
            }
            if (millis > Integer.MAX_VALUE) {
                throw new IllegalArgumentException("wait " + wait + " is longer than " + Integer.MAX_VALUE
                        + " ms; use waitUnlimited()");
            }
            waitMillis = (int) millis;
            return this;
        }

        /**
         * Waits until a matching message arrives, the queue or connection is
         * closed, or the thread is interrupted.
         *
         * @return this builder
         */
        public Builder waitUnlimited() {
            waitMillis = UNLIMITED_WAIT;
            return this;
        }

        /**
         * Takes only a message with this message identifier.
         *
         * @param id up to 24 bytes, zero-padded
         * @return this builder
         */
        public Builder matchMsgId(byte[] id) {
            msgId = Message.checkedId(id, "id").clone();
            return this;
        }

        /**
         * Takes only a message with this correlation identifier.
         *
         * @param id up to 24 bytes, zero-padded
         * @return this builder
         */
        public Builder matchCorrelId(byte[] id) {
            correlId = Message.checkedId(id, "id").clone();
            return this;
        }

        /**
         * Removes the message, or copies it in the way given.
         *
         * @param how the browse choice
         * @return this builder
         */
        public Builder browse(Browse how) {
            browse = Objects.requireNonNull(how, "how");
            return this;
        }

        /**
         * Copies the first message and sets the handle's browse cursor on it
         * (the queue must be open with {@link OpenOption#BROWSE}).
         *
         * @return this builder
         */
        public Builder browseFirst() {
            return browse(Browse.FIRST);
        }

        /**
         * Copies the message after the handle's browse cursor, or the first
         * when the handle has browsed nothing yet.
         *
         * @return this builder
         */
        public Builder browseNext() {
            return browse(Browse.NEXT);
        }

        /**
         * Removes a message longer than a fixed buffer anyway, with its first
         * bytes and a warning ({@code VXRC_TRUNCATED_MSG_ACCEPTED}); with the
         * default buffer, a message is cut at {@value #DEFAULT_BUFFER_SIZE}
         * bytes instead of growing the buffer.
         *
         * @return this builder
         */
        public Builder acceptTruncated() {
            acceptTruncated = true;
            return this;
        }

        /**
         * Removes the message under the connection's unit of work: it returns
         * to the queue on a backout.
         *
         * @return this builder
         */
        public Builder syncpoint() {
            syncpoint = true;
            return this;
        }

        /**
         * Receives into a buffer of exactly this many bytes, which does not
         * grow: a longer message fails with {@code VXRC_TRUNCATED_MSG_FAILED}
         * (whose {@link VxException#messageLength()} tells the length needed)
         * unless truncation is accepted.
         *
         * @param bytes 0 or more
         * @return this builder
         * @throws IllegalArgumentException for a negative size
         */
        public Builder bufferSize(int bytes) {
            if (bytes < 0) {
                throw new IllegalArgumentException("negative buffer size " + bytes);
            }
            bufferSize = bytes;
            bufferGrows = false;
            return this;
        }

        /**
         * The message's properties replace this handle's.
         *
         * @param handle a handle of the same connection
         * @return this builder
         */
        public Builder properties(MessageHandle handle) {
            properties = Objects.requireNonNull(handle, "handle");
            return this;
        }

        /**
         * The message got comes back with its properties
         * ({@link Message#properties()}).
         *
         * @return this builder
         */
        public Builder withProperties() {
            withProperties = true;
            return this;
        }

        /**
         * The options as chosen.
         *
         * @return new, immutable options
         */
        public GetOptions build() {
            return new GetOptions(this);
        }
    }
}
