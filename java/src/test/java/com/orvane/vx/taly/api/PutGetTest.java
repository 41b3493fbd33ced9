package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.bytes;
import static com.orvane.vx.taly.api.TestQueues.fails;
import static com.orvane.vx.taly.api.TestQueues.fresh;
import static com.orvane.vx.taly.api.TestQueues.id;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Reasons;
import java.time.Duration;
import java.time.Instant;
import java.util.Arrays;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Messages through the whole stack: round trip, matching, gathering, truncation and browsing. */
class PutGetTest {

    private Connection connection;
    private Queue queue;

    @BeforeEach
    void open() {
        connection = Connection.connect();
        queue = fresh(connection);
    }

    @AfterEach
    void close() {
        connection.close();
    }

    @Test
    void roundTripKeepsBodyAndDescriptorAndFillsWhatThePutChose() {
        Instant before = Instant.now().minusSeconds(1);
        Message sent = Message.text("hello, queue").setCorrelId(id("corr-1")).setPriority(7)
                .setReplyToQueue("REPLY.Q").setMessageType(MessageType.REQUEST);
        assertEquals(Completion.OK, queue.put(sent));
        byte[] generated = sent.msgId();
        assertFalse(Arrays.equals(new byte[24], generated), "the put wrote a message identifier back");
        assertTrue(sent.putTime().isPresent(), "the put wrote the put time back");

        Message got = queue.get();
        assertEquals("hello, queue", got.bodyText());
        assertEquals(Completion.OK, got.completion());
        assertArrayEquals(generated, got.msgId());
        assertArrayEquals(Arrays.copyOf(id("corr-1"), 24), got.correlId());
        assertEquals(Priority.of(7), got.priority());
        assertEquals(Constants.VXFMT_TEXT.trim(), got.format());
        assertEquals(MessageType.REQUEST, got.messageType());
        assertEquals("REPLY.Q", got.replyToQueue());
        assertEquals(0, got.backoutCount());
        Instant put = got.putTime().orElseThrow();
        assertTrue(!put.isBefore(before) && put.isBefore(Instant.now().plusSeconds(1)), put.toString());
        assertEquals(0, queue.depth());
    }

    @Test
    void eachPutGetsANewMessageIdentifierUnlessItKeepsOne() {
        Message first = new Message(bytes("1"));
        Message second = new Message(bytes("2"));
        queue.put(first);
        queue.put(second);
        assertNotEquals(Arrays.toString(first.msgId()), Arrays.toString(second.msgId()));

        Message chosen = new Message(bytes("3")).setMsgId(id("my-own-id"));
        queue.put(chosen);
        assertArrayEquals(Arrays.copyOf(id("my-own-id"), 24), chosen.msgId());
        queue.put(chosen, PutOptions.builder().newMsgId().build());
        assertFalse(Arrays.equals(Arrays.copyOf(id("my-own-id"), 24), chosen.msgId()));
    }

    @Test
    void getMatchesByMessageIdentifierAndByCorrelationIdentifier() {
        Message[] sent = new Message[4];
        for (int i = 0; i < sent.length; i++) {
            sent[i] = new Message(bytes("m" + i)).setCorrelId(id("c" + (i % 2)));
            queue.put(sent[i]);
        }
        Message byMsgId = queue.get(GetOptions.builder().matchMsgId(sent[2].msgId()).build());
        assertEquals("m2", byMsgId.bodyText());

        Message byCorrelId = queue.get(GetOptions.builder().matchCorrelId(id("c1")).build());
        assertEquals("m1", byCorrelId.bodyText(), "the first message with that correlation identifier");
        Message both = queue.get(GetOptions.builder().matchMsgId(sent[3].msgId()).matchCorrelId(id("c1")).build());
        assertEquals("m3", both.bodyText());

        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get(GetOptions.builder().matchCorrelId(id("c1")).build()));
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get(GetOptions.builder().matchMsgId(sent[2].msgId()).build()));
        assertEquals("m0", queue.get().bodyText(), "unmatched gets left the rest in order");
        assertEquals(0, queue.depth());
    }

    @Test
    void gatheredPutSendsTheSegmentsEndToEnd() {
        byte[] framed = bytes("xxHEADERxx");
        Message header = new Message().setCorrelId(id("gathered"));
        Completion completion = queue.putGathered(header, PutOptions.DEFAULTS,
                new Segment(framed, 2, 6), Segment.of(new byte[0]), Segment.of(bytes("-body")));
        assertEquals(Completion.OK, completion);
        assertFalse(Arrays.equals(new byte[24], header.msgId()), "the descriptor came back");

        Message got = queue.get();
        assertEquals("HEADER-body", got.bodyText());
        assertArrayEquals(header.msgId(), got.msgId());

        queue.putGathered(new Message(), PutOptions.DEFAULTS);
        Message empty = queue.get();
        assertEquals(0, empty.dataLength());
        assertEquals(0, empty.body().length);
    }

    @Test
    void putOneOpensPutsAndCloses() {
        Message message = new Message(bytes("put one"));
        connection.putOne(queue.name(), message, PutOptions.DEFAULTS);
        assertEquals("put one", queue.get().bodyText());
        fails(Reasons.VXRC_UNKNOWN_OBJECT_NAME,
                () -> connection.putOne("NO.SUCH.QUEUE", new Message(), PutOptions.DEFAULTS));
    }

    @Test
    void truncationWithoutAcceptLeavesTheMessageAndWithAcceptRemovesIt() {
        byte[] body = bytes("0123456789abcdefghij");
        queue.put(new Message(body));

        VxException refused = fails(Reasons.VXRC_TRUNCATED_MSG_FAILED,
                () -> queue.get(GetOptions.builder().bufferSize(8).build()));
        assertTrue(refused.getMessage().contains("message of 20 bytes, buffer of 8"), refused.getMessage());
        assertEquals(1, queue.depth(), "the message stays");

        Message cut = queue.get(GetOptions.builder().bufferSize(8).acceptTruncated().build());
        assertEquals(new Completion(1, Reasons.VXRC_TRUNCATED_MSG_ACCEPTED), cut.completion());
        assertArrayEquals(Arrays.copyOf(body, 8), cut.body());
        assertEquals(20, cut.dataLength());
        assertTrue(cut.truncated());
        assertEquals(0, queue.depth(), "an accepted truncation removes the message");
    }

    @Test
    void aBufferLargerThanTheMessageReturnsOnlyTheMessage() {
        queue.put(new Message(bytes("short")));
        Message got = queue.get(GetOptions.builder().bufferSize(1 << 20).build());
        assertEquals(5, got.body().length);
        assertFalse(got.truncated());

        byte[] large = new byte[200_000];
        Arrays.fill(large, (byte) 0x5a);
        queue.put(new Message(large));
        Message whole = queue.get(GetOptions.builder().bufferSize(large.length).build());
        assertArrayEquals(large, whole.body());
    }

    @Test
    void browseFirstAndNextCopyWithoutRemoving() {
        for (String text : new String[] {"a", "b", "c"}) {
            queue.put(new Message(bytes(text)));
        }
        assertEquals("a", queue.get(GetOptions.builder().browseFirst().build()).bodyText());
        assertEquals("b", queue.get(GetOptions.builder().browseNext().build()).bodyText());
        assertEquals("c", queue.get(GetOptions.builder().browseNext().build()).bodyText());
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get(GetOptions.builder().browseNext().build()));
        assertEquals(3, queue.depth());
        assertEquals("a", queue.get(GetOptions.builder().browseFirst().build()).bodyText(), "first starts again");
        assertEquals("a", queue.get().bodyText());
    }

    @Test
    void higherPriorityComesFirstAndExpiredMessagesNeverCome() throws InterruptedException {
        queue.put(new Message(bytes("low")).setPriority(1));
        queue.put(new Message(bytes("high")).setPriority(8));
        queue.put(new Message(bytes("gone")).setPriority(9).setExpiry(Duration.ofMillis(1)));
        Thread.sleep(20);
        assertEquals("high", queue.get().bodyText());
        assertEquals("low", queue.get().bodyText());
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get());
    }
}
