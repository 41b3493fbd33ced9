package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Inquire and set through selectors, and dynamic queues made from the model queue. */
class AttributesTest {

    private Connection connection;

    @BeforeEach
    void open() {
        connection = Connection.connect();
    }

    @AfterEach
    void close() {
        connection.close();
    }

    @Test
    void inquireReadsDepthCountsTypeAndNames() {
        Queue queue = fresh(connection);
        queue.put(new Message(bytes("1")));
        queue.put(new Message(bytes("2")));
        int[] values = queue.inquireInts(IntAttribute.CURRENT_DEPTH, IntAttribute.QUEUE_TYPE,
                IntAttribute.OPEN_INPUT_COUNT, IntAttribute.OPEN_OUTPUT_COUNT);
        assertArrayEquals(new int[] {2, Constants.VXQT_DYNAMIC, 1, 1}, values);
        assertTrue(queue.inquire(IntAttribute.MAX_DEPTH) >= 2);
        assertEquals(queue.name(), queue.inquire(CharAttribute.QUEUE_NAME));
        assertTrue(!queue.inquire(CharAttribute.QMGR_NAME).isEmpty());

        Queue reader = connection.open(queue.name(), OpenOption.INPUT_SHARED);
        assertEquals(2, queue.inquire(IntAttribute.OPEN_INPUT_COUNT));
        reader.close();
        assertEquals(1, queue.inquire(IntAttribute.OPEN_INPUT_COUNT), "closing gave the handle up");
    }

    @Test
    void setInhibitsPutsAndGets() {
        Queue queue = fresh(connection);
        queue.put(new Message(bytes("before")));
        assertEquals(Completion.OK, queue.set(IntAttribute.INHIBIT_PUT, Constants.VXINHIBIT_INHIBITED));
        assertEquals(Constants.VXINHIBIT_INHIBITED, queue.inquire(IntAttribute.INHIBIT_PUT));
        fails(Reasons.VXRC_PUT_INHIBITED, () -> queue.put(new Message(bytes("refused"))));

        queue.set(IntAttribute.INHIBIT_GET, Constants.VXINHIBIT_INHIBITED);
        fails(Reasons.VXRC_GET_INHIBITED, () -> queue.get());

        queue.set(IntAttribute.INHIBIT_PUT, Constants.VXINHIBIT_ALLOWED);
        queue.set(IntAttribute.INHIBIT_GET, Constants.VXINHIBIT_ALLOWED);
        queue.put(new Message(bytes("after")));
        assertEquals("before", queue.get().bodyText());
        assertEquals("after", queue.get().bodyText());
    }

    @Test
    void setRefusesWhatCannotBeSetAndHandlesNotOpenForIt() {
        Queue queue = fresh(connection);
        fails(Reasons.VXRC_ATTR_NOT_SETTABLE, () -> queue.set(IntAttribute.CURRENT_DEPTH, 5));
        fails(Reasons.VXRC_ATTR_VALUE_ERROR, () -> queue.set(IntAttribute.INHIBIT_PUT, 7));
        try (Queue putOnly = connection.open(queue.name(), OpenOption.OUTPUT)) {
            fails(Reasons.VXRC_NOT_OPEN_FOR_SET, () -> putOnly.set(IntAttribute.INHIBIT_PUT, 1));
            fails(Reasons.VXRC_NOT_OPEN_FOR_INQUIRE, () -> putOnly.depth());
            fails(Reasons.VXRC_NOT_OPEN_FOR_INPUT, () -> putOnly.get());
            fails(Reasons.VXRC_NOT_OPEN_FOR_BROWSE,
                    () -> putOnly.get(GetOptions.builder().browseFirst().build()));
        }
    }

    @Test
    void dynamicQueuesGetUniqueNamesAndGoWithCloseDelete() {
        Queue first = connection.openDynamic(TestQueues.MODEL, "JUNIT.DYN.*", OpenOption.OUTPUT, OpenOption.INQUIRE);
        Queue second = connection.openDynamic(TestQueues.MODEL, "JUNIT.DYN.*", OpenOption.OUTPUT);
        assertTrue(first.name().startsWith("JUNIT.DYN."), first.name());
        assertNotEquals(first.name(), second.name());
        assertEquals(Constants.VXQT_DYNAMIC, first.inquire(IntAttribute.QUEUE_TYPE));

        Queue named = connection.openDynamic(TestQueues.MODEL, "JUNIT.NAMED", OpenOption.OUTPUT);
        assertEquals("JUNIT.NAMED", named.name());
        fails(Reasons.VXRC_DYNAMIC_NAME_ERROR,
                () -> connection.openDynamic(TestQueues.MODEL, "JUNIT.NAMED", OpenOption.OUTPUT));

        first.put(new Message(bytes("goes with the queue")));
        try (Connection other = Connection.connect();
                Queue seen = other.open(first.name(), OpenOption.BROWSE)) {
            assertEquals("goes with the queue", seen.get(GetOptions.builder().browseFirst().build()).bodyText());
        }
        assertEquals(Completion.OK, first.close(CloseOption.DELETE));
        fails(Reasons.VXRC_UNKNOWN_OBJECT_NAME, () -> connection.open(first.name(), OpenOption.OUTPUT));
        fails(Reasons.VXRC_HOBJ_ERROR, () -> first.put(new Message()));
    }

    @Test
    void dynamicQueuesGoWithTheConnectionThatMadeThem() {
        String name;
        try (Connection maker = Connection.connect()) {
            name = fresh(maker).name();
            try (Queue seen = connection.open(name, OpenOption.OUTPUT)) {
                seen.put(new Message(bytes("still there")));
            }
        }
        fails(Reasons.VXRC_UNKNOWN_OBJECT_NAME, () -> connection.open(name, OpenOption.OUTPUT));
    }

    @Test
    void closeWithDeleteIsRefusedForALocalQueue() {
        Queue local = connection.open(TestQueues.LOCAL, OpenOption.INQUIRE);
        fails(Reasons.VXRC_CLOSE_OPTIONS_ERROR, () -> local.close(CloseOption.DELETE));
        assertTrue(!local.isClosed(), "a refused close leaves the handle open");
        local.close();
        assertTrue(local.isClosed());
        local.close();
    }
}
