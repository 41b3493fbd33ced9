package com.orvane.vx.taly.api;

import java.lang.System.Logger.Level;

/**
 * The API's own reports, to the {@link System.Logger} named {@value #NAME}:
 * what a call had to report but could not return, such as a warning of the
 * disconnect that {@link Connection#close()} makes.
 */
final class ApiLog {

    /** The logger's name. */
    static final String NAME = "com.orvane.vx.taly";

    private static final System.Logger LOGGER = System.getLogger(NAME);

    private ApiLog() {
    }

    /** Logs a warning that closing a connection or private connection met. */
    static void closedWith(Object closed, Completion disconnect) {
        if (disconnect.warning()) {
            LOGGER.log(Level.WARNING, () -> closed + ": the disconnect at close completed with " + disconnect
                    + meaning(disconnect));
        }
    }

    private static String meaning(Completion completion) {
        String meaning = com.orvane.vx.taly.structs.Reasons.meaning(completion.reason());
        return meaning.isEmpty() ? "" : " (" + meaning + ")";
    }
}
