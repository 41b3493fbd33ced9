package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.time.Duration;
import java.util.Objects;

/**
 * How {@link Queue#get(GetOptions)} takes a message: immutable, made with
 * {@link #builder()}. By default a get does not wait, matches any message,
 * removes it outside any unit of work, and receives into a buffer of
 * {@value #DEFAULT_BUFFER_SIZE} bytes; a longer message then fails with
 * {@code VXRC_TRUNCATED_MSG_FAILED} and stays on the queue, unless
 * {@link Builder#acceptTruncated()} is set.
 */
public final class GetOptions {

    public static final int DEFAULT_BUFFER_SIZE = 64 * 1024;

    /** No wait, no matching, no unit of work, the default buffer. */
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

    private GetOptions(Builder b) {
        waitMillis = b.waitMillis;
        msgId = b.msgId;
        correlId = b.correlId;
        browse = b.browse;
        acceptTruncated = b.acceptTruncated;
        syncpoint = b.syncpoint;
        bufferSize = b.bufferSize;
    }

    public static Builder builder() {
        return new Builder();
    }

    /** Milliseconds to wait, 0 for none, {@link Constants#VXWI_UNLIMITED} for no limit. */
    public int waitMillis() {
        return waitMillis;
    }

    public int bufferSize() {
        return bufferSize;
    }

    public Browse browse() {
        return browse;
    }

    public boolean syncpoint() {
        return syncpoint;
    }

    public boolean acceptTruncated() {
        return acceptTruncated;
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

        private Builder() {
        }

        /**
         * Waits up to this long for a matching message (rounded up to whole
         * milliseconds; zero for no wait). A put, or a commit that makes a
         * put visible, ends the wait.
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

        /** Waits until a matching message arrives. */
        public Builder waitUnlimited() {
            waitMillis = Constants.VXWI_UNLIMITED;
            return this;
        }

        /** Takes only a message with this message identifier (up to 24 bytes, zero-padded). */
        public Builder matchMsgId(byte[] id) {
            msgId = checkedId(id);
            return this;
        }

        /** Takes only a message with this correlation identifier (up to 24 bytes, zero-padded). */
        public Builder matchCorrelId(byte[] id) {
            correlId = checkedId(id);
            return this;
        }

        public Builder browse(Browse how) {
            browse = Objects.requireNonNull(how, "how");
            return this;
        }

        public Builder browseFirst() {
            return browse(Browse.FIRST);
        }

        public Builder browseNext() {
            return browse(Browse.NEXT);
        }

        /** Removes a message longer than the buffer anyway, with its first bytes and a warning. */
        public Builder acceptTruncated() {
            acceptTruncated = true;
            return this;
        }

        /** Removes the message under the connection's unit of work. */
        public Builder syncpoint() {
            syncpoint = true;
            return this;
        }

        /** Receives into a buffer of this many bytes. */
        public Builder bufferSize(int bytes) {
            if (bytes < 0) {
                throw new IllegalArgumentException("negative buffer size " + bytes);
            }
            bufferSize = bytes;
            return this;
        }

        public GetOptions build() {
            return new GetOptions(this);
        }

        private static byte[] checkedId(byte[] id) {
            Objects.requireNonNull(id, "id");
            if (id.length > Constants.VX_MSG_ID_LENGTH) {
                throw new IllegalArgumentException("identifier longer than " + Constants.VX_MSG_ID_LENGTH
                        + " bytes");
            }
            return id.clone();
        }
    }
}
