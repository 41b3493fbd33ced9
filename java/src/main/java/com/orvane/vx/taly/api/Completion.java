package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Reasons;

/**
 * The outcome of one call: completion code 0 (OK), 1 (warning) or 2 (failed)
 * and the reason. Calls that fail throw a {@link VxException} instead of
 * returning one, so a returned completion is always OK or a warning.
 *
 * @param completionCode 0, 1 or 2
 * @param reason the reason's number, one of {@code com.orvane.vx.taly.structs.Reasons}
 */
public record Completion(int completionCode, int reason) {

    /** Completion code 0, reason 0. */
    public static final Completion OK = new Completion(Reasons.VXCC_OK, Reasons.VXRC_NONE);

    /**
     * Whether the call failed.
     *
     * @return true for completion code 2
     */
    public boolean failed() {
        return completionCode == Reasons.VXCC_FAILED;
    }

    /**
     * Whether the call completed with a warning.
     *
     * @return true for completion code 1
     */
    public boolean warning() {
        return completionCode == Reasons.VXCC_WARNING;
    }

    /**
     * The reason's constant name.
     *
     * @return the name, such as "VXRC_NO_MSG_AVAILABLE"
     */
    public String reasonName() {
        return Reasons.name(reason);
    }

    /** "completion code 1, reason 3402 VXRC_TRUNCATED_MSG_ACCEPTED". */
    @Override
    public String toString() {
        return "completion code " + completionCode + ", reason " + reason + " " + reasonName();
    }
}
