package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/**
 * Why a consumer is called. Each consumer meets {@link #REGISTER} once, then
 * for every start {@link #START}, its messages and events, {@link #STOP}, and
 * {@link #DEREGISTER} last.
 */
public enum CallType {
    /** The connection's consumers were started; messages may follow. */
    START(Constants.VXCBCT_START_CALL),
    /** The connection's consumers were stopped; no message follows until the next start. */
    STOP(Constants.VXCBCT_STOP_CALL),
    /** The consumer was registered: its first call. */
    REGISTER(Constants.VXCBCT_REGISTER_CALL),
    /** The consumer left (deregistered, its queue closed or its connection closed): its last call. */
    DEREGISTER(Constants.VXCBCT_DEREGISTER_CALL),
    /** A condition that keeps a consumer from its messages; see {@link ConsumerCall#completion()}. */
    EVENT(Constants.VXCBCT_EVENT_CALL),
    /** A message removed from the queue for the consumer. */
    MSG_REMOVED(Constants.VXCBCT_MSG_REMOVED),
    /**
     * A message that stays on the queue: one browsed, or one too long for the
     * consumer's maximum message length (without
     * {@link ConsumerOptions.Builder#acceptTruncated()}). A message too long
     * comes once, with an empty body, its full {@link Message#dataLength()},
     * its descriptor and a failed completion ({@code VXRC_TRUNCATED_MSG_FAILED});
     * this consumer passes over it from then on, and other messages keep
     * coming. To have it, get it by its identifier, from the listener or
     * another thread: {@code queue.get(GetOptions.builder().matchMsgId(message.msgId()).build())}
     * (the buffer grows to it); otherwise it waits on the queue for other
     * getters.
     */
    MSG_NOT_REMOVED(Constants.VXCBCT_MSG_NOT_REMOVED);

    private final int value;

    CallType(int value) {
        this.value = value;
    }

    /**
     * The native call type.
     *
     * @return the {@code VXCBCT_*} number
     */
    public int value() {
        return value;
    }

    /** Every value, in order: values() would copy the array at each lookup, once per delivery. */
    private static final CallType[] ALL = values();

    /** The call type of a native value; null for one this API does not know. */
    static CallType of(int value) {
        for (CallType type : ALL) {
            if (type.value == value) {
                return type;
            }
        }
        return null;
    }
}
