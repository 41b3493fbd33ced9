package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/** The state of a consumer when it is called. */
public enum ConsumerState {
    /** Started and receiving. */
    ACTIVE(Constants.VXCS_NONE),
    /** Suspended by {@link Queue#suspendConsumer()} or {@link Connection#suspend()}. */
    SUSPENDED_BY_USER(Constants.VXCS_SUSPENDED_USER),
    /** Waiting for the condition of an event to end (gets inhibited, a full unit of work). */
    SUSPENDED_TEMPORARILY(Constants.VXCS_SUSPENDED_TEMPORARY),
    /** Its queue is gone: no more messages will come. */
    SUSPENDED(Constants.VXCS_SUSPENDED),
    /** The connection's consumers are stopped. */
    STOPPED(Constants.VXCS_STOPPED);

    private final int value;

    ConsumerState(int value) {
        this.value = value;
    }

    /**
     * The native consumer state.
     *
     * @return the {@code VXCS_*} number
     */
    public int value() {
        return value;
    }

    /** Every value, in order: values() would copy the array at each lookup, once per delivery. */
    private static final ConsumerState[] ALL = values();

    static ConsumerState of(int value) {
        for (ConsumerState state : ALL) {
            if (state.value == value) {
                return state;
            }
        }
        return ACTIVE;
    }
}
