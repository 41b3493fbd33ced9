package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Reasons;

/**
 * A call that failed: completion code 2 and the reason, as the runtime or the
 * native library reported it, or as this API found it before calling (a
 * closed connection or queue). The message names the call, the reason's
 * constant and what it means.
 */
public class VxException extends RuntimeException {

    private static final long serialVersionUID = 1L;

    private final String call;
    private final int completionCode;
    private final int reason;

    public VxException(String call, int completionCode, int reason, String detail) {
        super(describe(call, completionCode, reason, detail));
        this.call = call;
        this.completionCode = completionCode;
        this.reason = reason;
    }

    VxException(String call, Completion completion) {
        this(call, completion.completionCode(), completion.reason(), null);
    }

    VxException(String call, Completion completion, String detail) {
        this(call, completion.completionCode(), completion.reason(), detail);
    }

    /** The native call that failed, such as "VXGET". */
    public String call() {
        return call;
    }

    public int completionCode() {
        return completionCode;
    }

    public int reason() {
        return reason;
    }

    /** The reason's constant name, such as "VXRC_NO_MSG_AVAILABLE". */
    public String reasonName() {
        return Reasons.name(reason);
    }

    public Completion completion() {
        return new Completion(completionCode, reason);
    }

    private static String describe(String call, int completionCode, int reason, String detail) {
        String meaning = Reasons.meaning(reason);
        return call + ": completion code " + completionCode + ", reason " + reason + " " + Reasons.name(reason)
                + (meaning.isEmpty() ? "" : " (" + meaning + ")")
                + (detail == null ? "" : ": " + detail);
    }
}
