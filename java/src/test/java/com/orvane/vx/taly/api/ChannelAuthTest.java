package com.orvane.vx.taly.api;

import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.SpiConstants;
import org.junit.jupiter.api.Test;

/**
 * Channel authentication against the rules of tests/runtime/channel_rules.conf,
 * which this test's run names in VXRT_QUEUES_FILE.
 */
class ChannelAuthTest {

    @Test
    void aBlockedAndAnAllowedChannel() {
        try (PrivateConnection connection = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT)) {
            assertTrue(connection.channelAllowed("10.1.2.3", "admin"));
            assertFalse(connection.channelAllowed("10.1.2.4", "admin"));
            assertFalse(connection.channelAllowed("192.0.2.1", "guest"));
            assertTrue(connection.channelAllowed("192.0.2.1", "app"));
        }
    }
}
