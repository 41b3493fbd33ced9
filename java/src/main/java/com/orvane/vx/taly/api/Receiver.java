package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.Reasons;
import java.util.Arrays;

/**
 * One get of a queue, as {@link Queue#get(GetOptions)} promises it.
 *
 * <p>The queue manager serves one call at a time on a connection, so a close
 * from another thread could not reach it while a get waits there. A wait is
 * therefore made of gets that wait at most {@value Queue#WAIT_SLICE_MILLIS}
 * ms each, with the connection let go in between: there the get sees a close
 * of its queue or connection, or an interrupt of its thread, and ends.
 *
 * <p>A message longer than a growing buffer is got again at once, by the
 * identifier that the refusal named, into a buffer of its length; if another
 * getter took it meanwhile, the get goes on as it began.
 */
final class Receiver {

    private final Queue queue;
    private final GetOptions options;
    private final MessageHandle properties;
    private final boolean readProperties;

    /** The outcome of one native get. */
    private record Attempt(Completion completion, Message message, int dataLength, byte[] foundMsgId) {
    }

    private Receiver(Queue queue, GetOptions options, MessageHandle properties, boolean readProperties) {
        this.queue = queue;
        this.options = options;
        this.properties = properties;
        this.readProperties = readProperties;
    }

    /** The message; null instead of {@code VXRC_NO_MSG_AVAILABLE} when noneIsNull. */
    static Message get(Queue queue, GetOptions options, boolean noneIsNull) {
        if (options.properties() != null || !options.withProperties()) {
            return new Receiver(queue, options, options.properties(), false).run(noneIsNull);
        }
        try (MessageHandle handle = MessageHandle.create(queue.connection())) {
            return new Receiver(queue, options, handle, true).run(noneIsNull);
        }
    }

    private Message run(boolean noneIsNull) {
        boolean waits = options.waits();
        boolean unlimited = options.waitMillis() == GetOptions.UNLIMITED_WAIT;
        // A get that does not wait reads no clock.
        long deadline = waits && !unlimited ? System.nanoTime() + options.waitMillis() * 1_000_000L : 0;
        int bufferSize = options.bufferSize();
        byte[] aimedAt = null;
        for (;;) {
            int slice = 0;
            if (waits && aimedAt == null) {
                slice = unlimited ? Queue.WAIT_SLICE_MILLIS
                        : (int) Math.max(0, Math.min(Queue.WAIT_SLICE_MILLIS, millisUntil(deadline)));
            }
            Attempt attempt = attempt(waits, slice, bufferSize, aimedAt);
            Completion completion = attempt.completion();
            if (!completion.failed()) {
                return attempt.message();
            }
            if (completion.reason() == Reasons.VXRC_NO_MSG_AVAILABLE) {
                if (aimedAt != null) {
                    aimedAt = null; // another getter took it: go on as the get began
                    continue;
                }
                if (!waits || (!unlimited && millisUntil(deadline) <= 0)) {
                    if (noneIsNull) {
                        return null;
                    }
                    throw failure(completion);
                }
                continue;
            }
            if (completion.reason() == Reasons.VXRC_TRUNCATED_MSG_FAILED) {
                if (options.bufferGrows()) {
                    bufferSize = Math.max(bufferSize, attempt.dataLength());
                    aimedAt = attempt.foundMsgId();
                    continue;
                }
                throw VxException.messageTooLong("VXGET", completion, what() + ", message of "
                        + attempt.dataLength() + " bytes, buffer of " + bufferSize, attempt.dataLength(),
                        attempt.foundMsgId());
            }
            throw failure(completion);
        }
    }

    /**
     * One native get, alone on the connection: without a wait, or for one
     * slice of the wait, which first looks for a close and an interrupt.
     */
    private Attempt attempt(boolean waits, int slice, int bufferSize, byte[] aimedAt) {
        Connection connection = queue.connection();
        if (!waits) {
            return connection.call("VXGET", hconn -> once(hconn, 0, bufferSize, aimedAt));
        }
        if (Thread.currentThread().isInterrupted()) {
            throw interrupted();
        }
        try {
            return connection.callInterruptibly("VXGET", hconn -> {
                endIfClosing();
                return once(hconn, slice, bufferSize, aimedAt);
            });
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw interrupted();
        }
    }

    private void endIfClosing() {
        if (queue.connection().closing()) {
            throw new VxException("VXGET", Reasons.VXCC_FAILED, Reasons.VXRC_HCONN_ERROR,
                    what() + ": the connection was closed while the get waited");
        }
        if (queue.closing()) {
            throw new VxException("VXGET", Reasons.VXCC_FAILED, Reasons.VXRC_HOBJ_ERROR,
                    what() + ": the queue was closed while the get waited");
        }
    }

    private Attempt once(int hconn, int waitMillis, int bufferSize, byte[] aimedAt) {
        int hobj = queue.handleForGet();
        Message message = new Message();
        options.applyMatch(message);
        int matchOptions = options.matchOptions();
        if (aimedAt != null) {
            message.setMsgId(aimedAt);
            matchOptions |= Constants.VXMO_MATCH_MSG_ID;
        }
        int word = options.options();
        if (options.waits() && waitMillis == 0) {
            word &= ~Constants.VXGMO_WAIT;
        }
        GetMessageOptions gmo = new GetMessageOptions()
                .setOptions(word)
                .setWaitInterval(waitMillis)
                .setMatchOptions(matchOptions)
                .setMsgHandle(properties == null ? 0 : properties.value());
        Connection connection = queue.connection();
        byte[] buffer = connection.takeGetBuffer(bufferSize);
        boolean handedOver = false;
        Pint dataLength = new Pint();
        Completion completion;
        try {
            completion = Calls.get(hconn, hobj, message.descriptor(), gmo, buffer, bufferSize, dataLength);
            if (!completion.failed()) {
                int received = Math.max(0, Math.min(dataLength.x, bufferSize));
                // A message that fills the buffer takes the buffer itself as its body (the
                // next get makes another): cheaper than copying it out.
                handedOver = received == buffer.length;
                message.received(handedOver ? buffer : Arrays.copyOf(buffer, received), dataLength.x, completion);
                if (readProperties) {
                    // While the connection is still held: a close in between would lose them.
                    message.receivedProperties(properties.properties());
                }
            }
        } finally {
            if (!handedOver) {
                connection.keepGetBuffer(buffer);
            }
        }
        // A failed get writes no data length back; its get options tell a refused message's length.
        // The identifier found matters only when the message was refused.
        return new Attempt(completion, message, completion.failed() ? gmo.msgLength() : dataLength.x,
                completion.failed() ? gmo.foundMsgId() : null);
    }

    private static long millisUntil(long deadline) {
        return (deadline - System.nanoTime() + 999_999) / 1_000_000;
    }

    private VxException failure(Completion completion) {
        return new VxException("VXGET", completion, what());
    }

    private WaitInterruptedException interrupted() {
        return new WaitInterruptedException("VXGET: " + what());
    }

    private String what() {
        return "queue '" + queue.name() + "'";
    }
}
