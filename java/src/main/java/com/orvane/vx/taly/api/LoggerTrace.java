package com.orvane.vx.taly.api;

import java.lang.System.Logger.Level;
import java.nio.charset.StandardCharsets;
import java.util.Objects;

/**
 * A trace that writes the native library's events to a {@link System.Logger},
 * which programs route to their own logging (by default
 * {@code java.util.logging}): failure reports at level WARNING, the entry,
 * exit and data events of calls at level TRACE. Chosen without code by the
 * system property {@value Binding#TRACE_PROPERTY}{@code =logger} (with
 * {@value Binding#TRACE_CALLS_PROPERTY}{@code =true} for the events of every
 * call too), or given to {@link Binding#configure(NativeTrace, boolean)}.
 *
 * <p>A failure report is the library's account of a call it refused or a
 * step that failed: the function, the probe (where in the function), three
 * integers and up to three texts, such as
 * {@code failure report: function 5 probe 3 (2195, 364, 100): native_vxmd is too short}.
 */
public final class LoggerTrace implements NativeTrace {

    /** The name of the logger that {@link #LoggerTrace()} writes to. */
    public static final String LOGGER_NAME = "com.orvane.vx.taly.trace";

    private final System.Logger logger;

    /** A trace to the logger named {@value #LOGGER_NAME}. */
    public LoggerTrace() {
        this(System.getLogger(LOGGER_NAME));
    }

    /**
     * A trace to this logger.
     *
     * @param logger where the events go
     */
    public LoggerTrace(System.Logger logger) {
        this.logger = Objects.requireNonNull(logger, "logger");
    }

    @Override
    public void entry(int component, int function) {
        if (logger.isLoggable(Level.TRACE)) {
            logger.log(Level.TRACE, "entry: component " + component + " function " + function);
        }
    }

    @Override
    public void exit(int component, int function, int reason) {
        if (logger.isLoggable(Level.TRACE)) {
            logger.log(Level.TRACE, "exit: component " + component + " function " + function + " reason " + reason);
        }
    }

    @Override
    public void data(int component, int function, byte[] text, Object data) {
        if (logger.isLoggable(Level.TRACE)) {
            String shown = data == null ? "" : data instanceof byte[] ? " [" + ((byte[]) data).length + " bytes]"
                    : " <" + data.getClass().getName() + ">";
            logger.log(Level.TRACE, "data: component " + component + " function " + function + " "
                    + text(text) + shown);
        }
    }

    @Override
    public void krux(int component, int function, int probe, int i1, int i2, int i3,
            byte[] message, byte[] text1, byte[] text2) {
        if (logger.isLoggable(Level.WARNING)) {
            StringBuilder line = new StringBuilder("failure report: function ").append(function)
                    .append(" probe ").append(probe)
                    .append(" (").append(i1).append(", ").append(i2).append(", ").append(i3).append("): ")
                    .append(text(message));
            for (byte[] more : new byte[][] {text1, text2}) {
                if (more != null && more.length > 0) {
                    line.append("; ").append(text(more));
                }
            }
            logger.log(Level.WARNING, line.toString());
        }
    }

    private static String text(byte[] text) {
        return text == null ? "" : new String(text, StandardCharsets.ISO_8859_1);
    }
}
