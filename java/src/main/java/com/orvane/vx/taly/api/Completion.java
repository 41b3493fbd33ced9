package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Reasons;

/**
 * The outcome of one call: completion code 0 (OK), 1 (warning) or 2 (failed)
 * and the reason. Calls that fail throw a {@link VxException} instead of
 * returning one, so a returned completion is always OK or a warning.
 */
public record Completion(int completionCode, int reason) {

    /** Completion code 0, reason 0. */
    public static final Completion OK = new Completion(Reasons.VXCC_OK, Reasons.VXRC_NONE);

    public boolean failed() {
        return completionCode == Reasons.VXCC_FAILED;
    }

    public boolean warning() {
        return completionCode == Reasons.VXCC_WARNING;
    }

    /** The reason's constant name, such as "VXRC_NO_MSG_AVAILABLE". */
    public String reasonName() {
        return Reasons.name(reason);
    }

    /** "completion code 1, reason 3402 VXRC_TRUNCATED_MSG_ACCEPTED". */
    @Override
    public String toString() {
        return "completion code " + completionCode + ", reason " + reason + " " + reasonName();
    }
}
