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

    /** Logs a reconnect that a listener's broken connection started. */
    static void reconnected(Object connection, int tries) {
        LOGGER.log(Level.INFO, () -> connection + ": reconnected after " + tries + " tries");
    }

    /** Logs a try at reconnecting that failed; another follows. */
    static void reconnectFailed(Object connection, VxException failure, long nextMillis) {
        LOGGER.log(Level.DEBUG, () -> connection + ": reconnect failed (" + failure.getMessage() + "), again in "
                + nextMillis + " ms");
    }

    private static String meaning(Completion completion) {
        String meaning = com.orvane.vx.taly.structs.Reasons.meaning(completion.reason());
        return meaning.isEmpty() ? "" : " (" + meaning + ")";
    }
}
