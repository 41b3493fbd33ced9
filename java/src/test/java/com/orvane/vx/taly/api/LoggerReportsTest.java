package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.MessageDescriptor;
import com.orvane.vx.taly.structs.PutMessageOptions;
import com.orvane.vx.taly.structs.Reasons;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.logging.Handler;
import java.util.logging.Level;
import java.util.logging.LogRecord;
import java.util.logging.Logger;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * What reaches the platform's logging: with the trace property set to
 * "logger" (before the library's first call, in this JVM of its own), the
 * library's failure reports and the calls' events through the
 * {@link System.Logger} trace; and the warning of a disconnect at close. The
 * default System.Logger backend is java.util.logging (where TRACE is FINER),
 * whose records a handler here keeps.
 */
class LoggerReportsTest {

    private static final List<LogRecord> TRACE = new CopyOnWriteArrayList<>();
    private static final List<LogRecord> API = new CopyOnWriteArrayList<>();
    // Held, so that the configured loggers are not collected.
    private static final Logger TRACE_LOGGER = Logger.getLogger(LoggerTrace.LOGGER_NAME);
    private static final Logger API_LOGGER = Logger.getLogger(ApiLog.NAME);

    @BeforeAll
    static void chooseTheLoggerTrace() {
        System.setProperty(Binding.TRACE_PROPERTY, "logger");
        System.setProperty(Binding.TRACE_CALLS_PROPERTY, "true");
        keep(TRACE_LOGGER, TRACE, Level.ALL);
        keep(API_LOGGER, API, Level.ALL);
    }

    private static void keep(Logger logger, List<LogRecord> records, Level level) {
        logger.setUseParentHandlers(false);
        logger.setLevel(level);
        logger.addHandler(new Handler() {
            @Override
            public void publish(LogRecord record) {
                records.add(record);
            }

            @Override
            public void flush() {
            }

            @Override
            public void close() {
            }
        });
    }

    @BeforeEach
    @AfterEach
    void forget() {
        TRACE.clear();
        API.clear();
    }

    @Test
    void theLibrarysFailureReportAndTheCallsEventsReachTheLogger() {
        try (Connection connection = Connection.connect(); Queue queue = TestQueues.fresh(connection)) {
            assertTrue(TRACE.stream().anyMatch(r -> r.getLevel() == Level.FINER
                    && r.getMessage().startsWith("entry: component 59")), "call events at TRACE: " + texts(TRACE));
            TRACE.clear();
            // A buffer length beyond the array: the library refuses the put before the runtime sees it.
            Completion refused = connection.call("VXPUT", hconn -> Calls.put(hconn, queue.handleForGet(),
                    new MessageDescriptor(), new PutMessageOptions(), new byte[4], 100));
            assertEquals(new Completion(2, Reasons.VXRC_UNEXPECTED_ERROR), refused);
            List<LogRecord> reports = TRACE.stream().filter(r -> r.getLevel() == Level.WARNING).toList();
            assertEquals(1, reports.size(), texts(TRACE).toString());
            String report = reports.get(0).getMessage();
            assertTrue(report.startsWith("failure report: function ") && report.contains("(2195, 100, 4)")
                    && report.contains("is too short"), report);
        }
    }

    @Test
    void aUnitOfWorkBackedOutAtCloseIsLoggedAndDisconnectReturnsIt() {
        Connection quiet = Connection.connect();
        quiet.close();
        assertEquals(List.of(), texts(API), "a close with nothing to report logs nothing");

        Connection connection = Connection.connect();
        TestQueues.fresh(connection).put(Message.text("pending"), PutOptions.builder().syncpoint().build());
        connection.close();
        assertEquals(1, API.size(), texts(API).toString());
        LogRecord warning = API.get(0);
        assertEquals(Level.WARNING, warning.getLevel());
        assertTrue(warning.getMessage().contains("reason 3503 VXRC_BACKED_OUT_AT_DISCONNECT"), warning.getMessage());
        assertTrue(warning.getMessage().startsWith(connection.toString().replace(", closed]", "")),
                warning.getMessage());

        Connection explicit = Connection.connect();
        TestQueues.fresh(explicit).put(Message.text("pending"), PutOptions.builder().syncpoint().build());
        assertEquals(new Completion(1, Reasons.VXRC_BACKED_OUT_AT_DISCONNECT), explicit.disconnect());
        explicit.close();
        assertEquals(1, API.size(), "disconnect returns the warning; the close after it has none");
    }

    private static List<String> texts(List<LogRecord> records) {
        return records.stream().map(r -> r.getLevel() + " " + r.getMessage()).toList();
    }
}
