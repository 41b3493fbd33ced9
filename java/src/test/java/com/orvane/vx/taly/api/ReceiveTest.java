package com.orvane.vx.taly.api;

import static com.orvane.vx.taly.api.TestQueues.fails;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orvane.vx.taly.structs.Reasons;
import java.time.Duration;
import java.util.List;
import java.util.Optional;
import java.util.function.Function;
import org.junit.jupiter.api.Test;

/**
 * Receiving as a first program does: an empty queue answers empty rather
 * than throwing, a message longer than the default buffer comes whole, and a
 * fixed buffer's refusal tells what a retry needs.
 */
class ReceiveTest extends FreshQueue {

    /** Longer than the buffer a get starts with. */
    private static final int LONG = GetOptions.DEFAULT_BUFFER_SIZE * 3 / 2 + 7;


    @Test
    void aReceiveOnAnEmptyQueueAnswersEmptyWhereAGetThrows() {
        assertEquals(Optional.empty(), queue.receive(Duration.ZERO));
        long start = System.nanoTime();
        assertEquals(Optional.empty(), queue.receive(Duration.ofMillis(300)));
        assertTrue(System.nanoTime() - start >= 290_000_000L, "the receive waited its time");
        assertEquals(Optional.empty(), queue.receive(GetOptions.builder().matchCorrelId(TestQueues.id("none")).build()));
        fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get());

        queue.put(Message.text("there"));
        assertEquals("there", queue.receive(Duration.ofSeconds(5)).orElseThrow().bodyText());
        queue.close();
        fails(Reasons.VXRC_HOBJ_ERROR, () -> queue.receive(Duration.ZERO));
    }

    private static final int WITH_PROPERTIES = 4;

    /** Each way of getting takes a message longer than the default buffer whole. */
    @Test
    void aMessageLongerThanTheDefaultBufferComesWhole() {
        List<Function<Queue, Message>> ways = List.of(
                Queue::get,
                q -> q.receive(Duration.ofSeconds(5)).orElseThrow(),
                q -> q.get(GetOptions.builder().waitUnlimited().build()),
                q -> q.get(GetOptions.builder().syncpoint().build()),
                q -> q.get(GetOptions.builder().withProperties().build()), // WITH_PROPERTIES
                q -> {
                    Message browsed = q.get(GetOptions.builder().browseFirst().build());
                    assertEquals(1, q.depth(), "a browse leaves it");
                    assertArrayEquals(browsed.body(), q.get().body());
                    return browsed;
                });
        for (int way = 0; way < ways.size(); way++) {
            byte[] body = body(LONG + way);
            queue.put(new Message(body).setProperty("way", way));
            Message got = ways.get(way).apply(queue);
            assertArrayEquals(body, got.body(), "way " + way);
            assertEquals(body.length, got.dataLength());
            assertEquals(Completion.OK, got.completion());
            if (way == WITH_PROPERTIES) {
                assertEquals(List.of(Property.of("way", way)), got.properties(), "read while the message was got");
            }
            connection.commit();
            assertEquals(0, queue.depth(), "way " + way);
        }
    }

    @Test
    void aFixedBufferRefusesALongerMessageAndTellsItsLengthAndIdentifier() {
        byte[] body = body(LONG);
        Message sent = new Message(body);
        queue.put(sent);
        VxException refused = fails(Reasons.VXRC_TRUNCATED_MSG_FAILED,
                () -> queue.get(GetOptions.builder().bufferSize(100).build()));
        assertEquals(LONG, refused.messageLength().orElseThrow());
        assertArrayEquals(sent.msgId(), refused.msgId().orElseThrow());
        assertEquals(1, queue.depth(), "the message stays");

        queue.put(Message.text("in between").setPriority(9));
        Message retried = queue.get(GetOptions.builder().matchMsgId(refused.msgId().orElseThrow())
                .bufferSize(refused.messageLength().getAsInt()).build());
        assertArrayEquals(body, retried.body(), "the retry reaches the same message");

        VxException other = fails(Reasons.VXRC_NO_MSG_AVAILABLE,
                () -> queue.get(GetOptions.builder().matchCorrelId(TestQueues.id("x")).build()));
        assertTrue(other.messageLength().isEmpty() && other.msgId().isEmpty(), "only a refused message has them");
        assertFalse(new VxException("VXGET", 2, Reasons.VXRC_TRUNCATED_MSG_FAILED, null).msgId().isPresent());
    }

    /**
     * Gets of long and short messages, one after another on one connection,
     * into the default buffer and into fixed ones: each body holds its own
     * bytes and no more, and none changes with the gets after it.
     */
    @Test
    void eachBodyKeepsItsOwnBytesWhateverIsGotAfterIt() {
        int full = GetOptions.DEFAULT_BUFFER_SIZE;
        int[] lengths = {LONG, full, 100, 0, full - 1, 3, LONG + 1, 5};
        GetOptions fixed = GetOptions.builder().bufferSize(full).build();
        Message[] got = new Message[lengths.length];
        for (int i = 0; i < lengths.length; i++) {
            queue.put(new Message(body(lengths[i])));
            got[i] = i % 3 == 2 ? queue.get(fixed) : queue.get();
            assertArrayEquals(body(lengths[i]), got[i].body(), "got " + i);
            fails(Reasons.VXRC_NO_MSG_AVAILABLE, () -> queue.get());
        }
        for (int i = 0; i < lengths.length; i++) {
            assertArrayEquals(body(lengths[i]), got[i].body(), "after the later gets, " + i);
        }
    }

    private static byte[] body(int length) {
        byte[] body = new byte[length];
        for (int i = 0; i < length; i++) {
            body[i] = (byte) (i * 31 + length);
        }
        return body;
    }
}
