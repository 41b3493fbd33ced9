package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Reasons;
import java.util.Objects;
import java.util.Optional;
import java.util.OptionalInt;

/**
 * A call that failed: completion code 2 and the reason, as the runtime or the
 * native library reported it, or as this API found it before calling (a
 * closed connection or queue). The message names the call, the reason's
 * constant and what it means.
 *
 * <p>A get that failed with {@code VXRC_TRUNCATED_MSG_FAILED} (a message
 * longer than a fixed buffer, left on the queue) also tells the message's
 * full length and identifier, so that a retry can be sized and aimed at the
 * same message:
 *
 * <pre>{@code
 * try {
 *     message = queue.get(GetOptions.builder().bufferSize(1024).build());
 * } catch (VxException e) {
 *     if (e.messageLength().isEmpty()) {
 *         throw e;
 *     }
 *     message = queue.get(GetOptions.builder().matchMsgId(e.msgId().orElseThrow())
 *             .bufferSize(e.messageLength().getAsInt()).build());
 * }
 * }</pre>
 */
public class VxException extends RuntimeException {

    private static final long serialVersionUID = 1L;

    /** The native call that failed. */
    private final String call;
    /** Its completion code. */
    private final int completionCode;
    /** Its reason. */
    private final int reason;
    /** For a message too long for the buffer: its full length. */
    private final int messageLength;
    /** For a message too long for the buffer: its identifier; null for any other failure. */
    private final byte[] msgId;

    /**
     * A failure of a call.
     *
     * @param call the native call's name, such as "VXGET"
     * @param completionCode the completion code, 2
     * @param reason the reason
     * @param detail what the call concerned, for the message; null for nothing
     */
    public VxException(String call, int completionCode, int reason, String detail) {
        this(call, completionCode, reason, detail, -1, null);
    }

    private VxException(String call, int completionCode, int reason, String detail, int messageLength,
            byte[] msgId) {
        super(describe(Objects.requireNonNull(call, "call"), completionCode, reason, detail));
        this.call = call;
        this.completionCode = completionCode;
        this.reason = reason;
        this.messageLength = messageLength;
        this.msgId = msgId;
    }

    VxException(String call, Completion completion) {
        this(call, completion.completionCode(), completion.reason(), null);
    }

    VxException(String call, Completion completion, String detail) {
        this(call, completion.completionCode(), completion.reason(), detail);
    }

    /** A get refused a message of this length and identifier, which stays on its queue. */
    static VxException messageTooLong(String call, Completion completion, String detail, int messageLength,
            byte[] msgId) {
        return new VxException(call, completion.completionCode(), completion.reason(), detail, messageLength,
                msgId.clone());
    }

    /**
     * The native call that failed.
     *
     * @return the call's name, such as "VXGET"
     */
    public String call() {
        return call;
    }

    /**
     * The completion code.
     *
     * @return 2, failed
     */
    public int completionCode() {
        return completionCode;
    }

    /**
     * The reason.
     *
     * @return the reason's number, one of {@code com.orvane.vx.taly.structs.Reasons}
     */
    public int reason() {
        return reason;
    }

    /**
     * The reason's constant name.
     *
     * @return the name, such as "VXRC_NO_MSG_AVAILABLE"
     */
    public String reasonName() {
        return Reasons.name(reason);
    }

    /**
     * The completion code and reason together.
     *
     * @return the completion
     */
    public Completion completion() {
        return new Completion(completionCode, reason);
    }

    /**
     * For a get that failed with {@code VXRC_TRUNCATED_MSG_FAILED}: the full
     * length of the message that did not fit the buffer.
     *
     * @return the length in bytes, or empty for any other failure
     */
    public OptionalInt messageLength() {
        return msgId == null ? OptionalInt.empty() : OptionalInt.of(messageLength);
    }

    /**
     * For a get that failed with {@code VXRC_TRUNCATED_MSG_FAILED}: the
     * identifier of the message that did not fit the buffer and stays on the
     * queue.
     *
     * @return a copy of its 24 bytes, or empty for any other failure
     */
    public Optional<byte[]> msgId() {
        return msgId == null ? Optional.empty() : Optional.of(msgId.clone());
    }

    private static String describe(String call, int completionCode, int reason, String detail) {
        String meaning = Reasons.meaning(reason);
        return call + ": completion code " + completionCode + ", reason " + reason + " " + Reasons.name(reason)
                + (meaning.isEmpty() ? "" : " (" + meaning + ")")
                + (detail == null ? "" : ": " + detail);
    }
}
