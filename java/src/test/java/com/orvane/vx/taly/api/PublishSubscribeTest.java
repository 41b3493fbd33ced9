package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Topics and subscriptions through the whole stack: wildcards, destinations, durability, retained publications. */
class PublishSubscribeTest {

    private Connection connection;

    @BeforeEach
    void connect() {
        connection = Connection.connect();
    }

    @AfterEach
    void disconnect() {
        connection.close();
    }

    /** The texts waiting on a queue, taken in order. */
    private static List<String> texts(Queue queue) {
        List<String> all = new ArrayList<>();
        while (queue.depth() > 0) {
            all.add(queue.get().bodyText());
        }
        return all;
    }

    @Test
    void aPublicationReachesTheSubscriptionsItMatchesAndNoOther() {
        Queue named = fresh(connection);
        try (Connection other = Connection.connect();
                Subscription oneLevel = connection.subscribe(SubscribeOptions.to("sport/*/results").build());
                Subscription anyLevels = connection.subscribe(
                        SubscribeOptions.to("sport/**").destination(named).correlId(TestQueues.id("mine")).build());
                Subscription elsewhere = other.subscribe(SubscribeOptions.to("news/**").build());
                Topic topic = other.openTopic("sport/football/results")) {
            assertTrue(oneLevel.queue().name().startsWith("VX.MANAGED."), oneLevel.queue().name());
            assertEquals(named, anyLevels.queue());
            assertEquals("sport/football/results", topic.topicString());

            assertEquals(Completion.OK, topic.publish(Message.text("2-1")));
            assertEquals(Completion.OK, other.publish("sport/tennis", Message.text("6-4"), PutOptions.DEFAULTS));

            Message got = oneLevel.queue().get();
            assertEquals("2-1", got.bodyText());
            assertArrayEquals(oneLevel.correlId(), got.correlId(), "each delivery carries its subscription's");
            assertEquals(List.of(), texts(oneLevel.queue()));
            Message first = named.get();
            assertArrayEquals(Arrays.copyOf(TestQueues.id("mine"), 24), first.correlId());
            assertEquals(List.of("2-1", "6-4"), List.of(first.bodyText(), named.get().bodyText()));
            fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> elsewhere.queue().get());
        }
    }

    @Test
    void aDurableSubscriptionKeepsPublicationsWhileItsSubscriberIsAway() {
        String name = "JUNIT.DURABLE." + System.nanoTime();
        try (Connection subscriber = Connection.connect()) {
            subscriber.subscribe(SubscribeOptions.to("orders/*").durable(name).build());
            connection.publish("orders/1", Message.text("first"), PutOptions.DEFAULTS);
        }
        connection.publish("orders/2", Message.text("second"), PutOptions.DEFAULTS);
        connection.publish("invoices/3", Message.text("not for it"), PutOptions.DEFAULTS);

        try (Connection subscriber = Connection.connect();
                Subscription resumed = subscriber.subscribe(SubscribeOptions.resume(name).build())) {
            assertEquals(List.of("first", "second"), texts(resumed.queue()));
            fails(Reasons.VXRC_SUBSCRIPTION_IN_USE, () -> connection.subscribe(SubscribeOptions.resume(name).build()));
            fails(Reasons.VXRC_DUPLICATE_SUBSCRIPTION,
                    () -> connection.subscribe(SubscribeOptions.to("orders/*").durable(name).build()));
            fails(Reasons.VXRC_MANAGED_QUEUE, () -> resumed.queue().close(CloseOption.DELETE));
            assertEquals(Completion.OK, resumed.remove());
        }
        fails(Reasons.VXRC_NO_SUBSCRIPTION, () -> connection.subscribe(SubscribeOptions.resume(name).build()));
        Subscription again = connection.subscribe(SubscribeOptions.to("orders/*").durable(name).orResume().build());
        assertEquals(List.of(), texts(again.queue()), "made anew, empty");
        again.remove();
    }

    @Test
    void aRetainedPublicationIsDeliveredToLaterSubscriptionsAndAskedForAgain() {
        String topic = "weather/" + System.nanoTime();
        PutOptions retain = PutOptions.builder().retain().build();
        connection.publish(topic, Message.text("rain"), retain);
        try (Topic t = connection.openTopic(topic)) {
            t.publish(Message.text("sun"), retain);
            t.publish(Message.text("not kept"));
        }
        try (Subscription late = connection.subscribe(SubscribeOptions.to(topic).build());
                Subscription fresh = connection.subscribe(SubscribeOptions.to(topic).newPublicationsOnly().build());
                Subscription none = connection.subscribe(SubscribeOptions.to(topic + "/below").build())) {
            assertEquals(List.of("sun"), texts(late.queue()));
            assertEquals(List.of(), texts(fresh.queue()));
            assertEquals(1, fresh.requestRetained());
            assertEquals(List.of("sun"), texts(fresh.queue()));
            assertEquals(0, none.requestRetained());
        }
        fails(Reasons.VXRC_PUT_OPTIONS_ERROR,
                () -> connection.publish(topic, Message.text("x"), PutOptions.builder().retain().syncpoint().build()));
    }

    @Test
    void publicationsUnderSyncpointAppearAtCommitAndTheStatusCountsThePuts() {
        connection.putStatus();
        Queue small = fresh(connection);
        try (Subscription s = connection.subscribe(SubscribeOptions.to("jobs/#1").build());
                Topic topic = connection.openTopic("jobs/#1")) {
            topic.publish(Message.text("pending"), PutOptions.builder().syncpoint().build());
            fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> s.queue().get());
            connection.commit();
            assertEquals(List.of("pending"), texts(s.queue()));
            small.put(Message.text("to a queue"));
            fails(Reasons.VXRC_TOPIC_STRING_ERROR, () -> connection.openTopic("jobs/*"));
            // A priority outside 0 to 9 no longer reaches the queue manager: a retained
            // publication under syncpoint is the failure it counts here.
            fails(Reasons.VXRC_PUT_OPTIONS_ERROR,
                    () -> topic.publish(Message.text("x"), PutOptions.builder().retain().syncpoint().build()));
        }
        PutStatus status = connection.putStatus();
        assertEquals(2, status.successes(), status.toString());
        assertEquals(1, status.failures(), status.toString());
        assertEquals(1, status.publications(), "a failed publication is no publication");
        assertEquals(1, status.deliveries());
        assertEquals(Reasons.VXCC_FAILED, status.completionCode());
        assertEquals(Reasons.VXRC_PUT_OPTIONS_ERROR, status.reason());
        assertEquals(Constants.VXOT_TOPIC, status.objectType());
        assertEquals(0, connection.putStatus().successes(), "counted again from zero");
    }

    @Test
    void closedAndBadSubscriptionsFailWithTheirReasons() {
        Subscription s = connection.subscribe(SubscribeOptions.to("a/b").build());
        Queue managed = s.queue();
        s.close();
        assertTrue(managed.isClosed(), "the queue made for it goes with it");
        fails(Reasons.VXRC_HSUB_ERROR, s::requestRetained);
        fails(Reasons.VXRC_TOPIC_STRING_ERROR, () -> connection.subscribe(SubscribeOptions.to("").build()));
        fails(Reasons.VXRC_SUB_NAME_ERROR,
                () -> connection.subscribe(SubscribeOptions.to("a").durable("").build()));
        Queue closed = fresh(connection);
        closed.close();
        fails(Reasons.VXRC_HOBJ_ERROR,
                () -> connection.subscribe(SubscribeOptions.to("a").destination(closed).build()));
        Topic topic = connection.openTopic("a/b");
        topic.close();
        fails(Reasons.VXRC_HOBJ_ERROR, () -> topic.publish(Message.text("late")));
    }

    @Test
    void aListenerOnASubscriptionsQueueHearsItsPublications() throws Exception {
        List<String> heard = new CopyOnWriteArrayList<>();
        CountDownLatch three = new CountDownLatch(3);
        try (Connection publisher = Connection.connect();
                Subscription s = connection.subscribe(SubscribeOptions.to("alerts/**").build())) {
            s.queue().registerConsumer((message, call) -> {
                heard.add(message.bodyText());
                three.countDown();
            });
            connection.start();
            publisher.publish("alerts/disk", Message.text("full"), PutOptions.DEFAULTS);
            publisher.publish("other/disk", Message.text("not for it"), PutOptions.DEFAULTS);
            publisher.publish("alerts", Message.text("all clear"), PutOptions.DEFAULTS);
            publisher.publish("alerts/cpu/0", Message.text("hot"), PutOptions.DEFAULTS);
            assertTrue(three.await(60, TimeUnit.SECONDS), "heard " + heard);
            connection.stop();
            assertEquals(List.of("full", "all clear", "hot"), heard);
        }
    }
}
