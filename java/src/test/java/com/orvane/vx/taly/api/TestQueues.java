package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.nio.charset.StandardCharsets;
import java.util.function.Supplier;

/** The queues of the embedded queue manager that the tests use, and small helpers. */
final class TestQueues {

    /** A local queue of the built-in set. */
    static final String LOCAL = "TALY.QUEUE.1";
    /** The built-in model queue; each test makes its own dynamic queue from it. */
    static final String MODEL = "TALY.MODEL.QUEUE";

    static final OpenOption[] ALL = {
        OpenOption.INPUT_SHARED, OpenOption.OUTPUT, OpenOption.BROWSE, OpenOption.INQUIRE, OpenOption.SET,
    };

    private TestQueues() {
    }

    /** A dynamic queue of its own for one test, open for everything; it goes with its connection. */
    static Queue fresh(Connection connection) {
        return connection.openDynamic(MODEL, "JUNIT.*", ALL);
    }

    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.UTF_8);
    }

    static byte[] id(String text) {
        return bytes(text);
    }

    /** Asserts that the call fails with completion code 2 and this reason, whose name the message carries. */
    static VxException fails(int reason, Supplier<?> call) {
        VxException e = assertThrows(VxException.class, call::get);
        assertEquals(2, e.completionCode(), e.getMessage());
        assertEquals(reason, e.reason(), e.getMessage());
        assertEquals(true, e.getMessage().contains(e.reasonName()), e.getMessage());
        return e;
    }
}
