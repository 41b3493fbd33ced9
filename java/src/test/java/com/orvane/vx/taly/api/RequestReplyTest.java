package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.time.Duration;
import java.util.ArrayList;
import java.util.List;
import java.util.Optional;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Request and reply: a requester against a responder on a thread and
 * connection of its own, each reply matched to its request by correlation
 * identifier, also when replies come back out of order.
 */
class RequestReplyTest {

    private static final Duration PATIENCE = Duration.ofSeconds(20);

    private final ExecutorService responderThread = Executors.newSingleThreadExecutor();
    private Connection client;
    private Queue requests;

    @BeforeEach
    void open() {
        client = Connection.connect();
        requests = fresh(client);
    }

    @AfterEach
    void close() throws InterruptedException {
        responderThread.shutdownNow();
        assertTrue(responderThread.awaitTermination(30, TimeUnit.SECONDS));
        client.close();
    }

    /**
     * Takes count requests, then answers them last first, each with
     * "re: " and its text, under syncpoint with the request's removal.
     */
    private Future<List<Message>> responder(int count) {
        String queueName = requests.name();
        return responderThread.submit(() -> {
            List<Message> got = new ArrayList<>();
            try (Connection responder = Connection.connect();
                    Queue in = responder.open(queueName, OpenOption.INPUT_SHARED)) {
                GetOptions wait = GetOptions.builder().waitFor(PATIENCE).syncpoint().build();
                for (int i = 0; i < count; i++) {
                    got.add(in.get(wait));
                }
                for (int i = got.size() - 1; i >= 0; i--) {
                    Message request = got.get(i);
                    responder.reply(request, Message.text("re: " + request.bodyText()),
                            PutOptions.builder().syncpoint().build());
                }
                responder.commit();
            }
            return got;
        });
    }

    @Test
    void eachReplyComesToItsRequestAlsoOutOfOrder() throws Exception {
        Future<List<Message>> served = responder(2);
        try (Requester requester = client.requester(requests.name())) {
            Queue replies = requester.replyQueue();
            Message first = Message.text("first");
            Message second = Message.text("second");
            // Both go out before either is answered: the second request's wait sees the first reply pass.
            requests.put(first.setReplyToQueue(replies.name()).setMessageType(MessageType.REQUEST),
                    PutOptions.builder().newMsgId().build());
            Message answer = requester.request(second, PATIENCE).orElseThrow();
            assertEquals("re: second", answer.bodyText());
            assertArrayEquals(second.msgId(), answer.correlId(), "matched by the request's identifier");
            assertEquals(MessageType.REPLY, answer.messageType());
            Message other = replies.receive(GetOptions.builder().waitFor(PATIENCE).matchCorrelId(first.msgId())
                    .build()).orElseThrow();
            assertEquals("re: first", other.bodyText());

            List<Message> seen = served.get(30, TimeUnit.SECONDS);
            assertEquals(MessageType.REQUEST, seen.get(1).messageType());
            assertEquals(replies.name(), seen.get(1).replyToQueue(), "the request names where to reply");
            assertTrue(replies.name().startsWith("REPLIES."), replies.name());
        }
        assertEquals(0, requests.depth(), "the responder's unit of work took the requests");
    }

    @Test
    void aRequestNoOneAnswersEndsEmptyAndTheRequesterCleansUp() {
        String replyQueue;
        try (Requester requester = client.requester(requests.name())) {
            replyQueue = requester.replyQueue().name();
            assertEquals(Optional.empty(), requester.request(Message.text("anyone?"), Duration.ofMillis(300)));
            assertEquals(1, requests.depth());
        }
        fails(Reasons.VXRC_UNKNOWN_OBJECT_NAME, () -> client.open(replyQueue, OpenOption.INQUIRE));
    }

    @Test
    void repliesGoToAQueueOfTheCallersWhenOneIsGiven() throws Exception {
        Future<List<Message>> served = responder(1);
        Queue mine = fresh(client);
        try (Requester requester = client.requester(requests.name(), mine)) {
            assertEquals("re: mine", requester.request(Message.text("mine"), PATIENCE).orElseThrow().bodyText());
        }
        served.get(30, TimeUnit.SECONDS);
        assertTrue(!mine.isClosed(), "the caller's queue stays open");
        try (Connection other = Connection.connect()) {
            assertThrows(IllegalArgumentException.class, () -> other.requester(requests.name(), mine));
        }
    }

    @Test
    void aReplyNeedsTheRequestsReplyToQueue() {
        Message request = Message.text("no reply-to");
        requests.put(request);
        Message got = requests.get();
        assertThrows(IllegalArgumentException.class, () -> client.reply(got, Message.text("lost")));
        Message report = Message.text("typed").setMessageType(MessageType.REPORT);
        client.reply(got.setReplyToQueue(requests.name()), report);
        Message back = requests.get();
        assertEquals(MessageType.REPORT, back.messageType(), "a type set on the reply stays");
        assertArrayEquals(request.msgId(), back.correlId());
    }
}
