package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import com.orvane.vx.taly.structs.SpiConstants;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The private subscribe, subscription request, unsubscribe and the named-subscriber inquiry. */
class PrivateSubscriptionTest {

    private static final int DURABLE = Constants.VXSO_CREATE | Constants.VXSO_DURABLE;

    private PrivateConnection admin;

    @BeforeEach
    void connect() {
        admin = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT);
    }

    @AfterEach
    void disconnect() {
        admin.close();
    }

    @Test
    void subscribeRequestAndUnsubscribeARoundTrip() {
        try (Connection publisher = Connection.connect()) {
            publisher.publish("junit/spi/weather", Message.text("rain"), PutOptions.builder().retain().build());
            PrivateSubscription subscription = admin.subscribe("junit/spi/*", "junit.spi.round", DURABLE,
                    SpiConstants.LPISO_NONE);
            assertEquals(1, subscription.retainedCount());
            assertEquals("rain", subscription.queue().get(GetOptions.DEFAULTS, SpiConstants.LPIGO_NONE).bodyText());
            assertArrayEquals(new int[] {1, 1}, subscription.requestRetained());
            assertEquals("rain", subscription.queue().get(GetOptions.DEFAULTS, SpiConstants.LPIGO_NONE).bodyText());
            publisher.publish("junit/spi/news", Message.text("fresh"), PutOptions.DEFAULTS);
            assertEquals("fresh", subscription.queue().get(GetOptions.DEFAULTS, SpiConstants.LPIGO_NONE).bodyText());

            subscription.unsubscribe();
            assertEquals(0, admin.inquireNamedSubscribers(false, "junit.spi.round", 64).count());
            fails(Reasons.VXRC_NO_SUBSCRIPTION, () -> {
                admin.unsubscribe("junit.spi.round");
                return null;
            });
        }
    }

    @Test
    void namedSubscribersOfATopicAndOfANamePrefix() {
        PrivateSubscription open = admin.subscribe("junit/named/**", "junit.named.a", DURABLE, SpiConstants.LPISO_NONE);
        admin.subscribe("junit/named/x", "junit.named.b", DURABLE, SpiConstants.LPISO_NONE);
        admin.subscribe("junit/named/x", null, Constants.VXSO_CREATE, SpiConstants.LPISO_NONE);  // unnamed
        try (PrivateConnection other = PrivateConnection.connect(null, SpiConstants.LPI_NO_ENVIRONMENT)) {
            fails(Reasons.VXRC_SUBSCRIPTION_IN_USE, () -> {
                other.unsubscribe("junit.named.b");
                return null;
            });
        }
        NamedSubscribers byTopic = admin.inquireNamedSubscribers(true, "junit/named/x", 64);
        assertEquals(new NamedSubscribers(List.of("junit.named.a", "junit.named.b"), 2, 2, Completion.OK), byTopic);
        NamedSubscribers short1 = admin.inquireNamedSubscribers(false, "junit.named.*", 16);
        assertEquals(List.of("junit.named.a"), short1.names());
        assertEquals(2, short1.count());
        assertTrue(short1.completion().warning());
        assertEquals(Reasons.VXRC_SUBSCRIBER_LIST_TRUNCATED, short1.completion().reason());
        open.unsubscribe();
        admin.unsubscribe("junit.named.b");
        assertEquals(0, admin.inquireNamedSubscribers(true, "junit/named/x", 64).count());
        fails(Reasons.VXRC_TOPIC_STRING_ERROR, () -> admin.inquireNamedSubscribers(true, "junit/*", 64));
    }
}
