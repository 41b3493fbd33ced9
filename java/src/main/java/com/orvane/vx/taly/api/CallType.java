package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/**
 * Why a consumer is called. Each consumer meets {@link #REGISTER} once, then
 * for every start {@link #START}, its messages and events, {@link #STOP}, and
 * {@link #DEREGISTER} last.
 */
public enum CallType {
    START(Constants.VXCBCT_START_CALL),
    STOP(Constants.VXCBCT_STOP_CALL),
    REGISTER(Constants.VXCBCT_REGISTER_CALL),
    DEREGISTER(Constants.VXCBCT_DEREGISTER_CALL),
    /** A condition that keeps a consumer from its messages; see {@link ConsumerCall#completion()}. */
    EVENT(Constants.VXCBCT_EVENT_CALL),
    /** A message removed from the queue for the consumer. */
    MSG_REMOVED(Constants.VXCBCT_MSG_REMOVED),
    /** A message browsed, or one too long for the consumer that stays on the queue. */
    MSG_NOT_REMOVED(Constants.VXCBCT_MSG_NOT_REMOVED);

    private final int value;

    CallType(int value) {
        this.value = value;
    }

    public int value() {
        return value;
    }

    /** The call type of a native value; null for one this API does not know. */
    static CallType of(int value) {
        for (CallType type : values()) {
            if (type.value == value) {
                return type;
            }
        }
        return null;
    }
}
