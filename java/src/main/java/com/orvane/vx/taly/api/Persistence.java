package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;

/**
 * Whether a message is kept as persistent. Before a put, {@link #AS_QUEUE}
 * takes the queue's default (the default of a new message); a message got
 * from a queue is {@link #PERSISTENT} or {@link #NOT_PERSISTENT}. The
 * embedded queue manager keeps every message in memory either way.
 */
public enum Persistence {
    /** The message is not persistent. */
    NOT_PERSISTENT(Constants.VXPER_NOT_PERSISTENT),
    /** The message is persistent. */
    PERSISTENT(Constants.VXPER_PERSISTENT),
    /** Before a put: as the queue's default persistence. */
    AS_QUEUE(Constants.VXPER_AS_QUEUE);

    private final int value;

    Persistence(int value) {
        this.value = value;
    }

    /**
     * The number the message descriptor carries.
     *
     * @return the persistence's number
     */
    public int value() {
        return value;
    }

    /** The persistence of a descriptor's number; one the queue manager did not check counts as its default. */
    static Persistence of(int value) {
        for (Persistence persistence : values()) {
            if (persistence.value == value) {
                return persistence;
            }
        }
        return AS_QUEUE;
    }
}
