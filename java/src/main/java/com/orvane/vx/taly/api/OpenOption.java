package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import java.util.Set;

/** How a queue is opened; {@link Connection#open} takes one or more. */
public enum OpenOption {
    /** Get messages; other handles may get too. */
    INPUT_SHARED(Constants.VXOO_INPUT_SHARED),
    /** Get messages; no other handle may be open for input. */
    INPUT_EXCLUSIVE(Constants.VXOO_INPUT_EXCLUSIVE),
    /** Browse messages without removing them. */
    BROWSE(Constants.VXOO_BROWSE),
    /** Put messages. */
    OUTPUT(Constants.VXOO_OUTPUT),
    /** Inquire attributes. */
    INQUIRE(Constants.VXOO_INQUIRE),
    /** Set attributes. */
    SET(Constants.VXOO_SET);

    private final int value;

    OpenOption(int value) {
        this.value = value;
    }

    /**
     * The native open option.
     *
     * @return the option's bit of the open-options word
     */
    public int value() {
        return value;
    }

    static int combine(Set<OpenOption> options) {
        int word = 0;
        for (OpenOption option : options) {
            word |= option.value;
        }
        return word;
    }
}
