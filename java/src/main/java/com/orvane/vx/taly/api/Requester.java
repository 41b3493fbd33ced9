package com.orvane.vx.taly.api;

import java.time.Duration;
import java.util.Objects;
import java.util.Optional;

/**
 * Sends requests to a queue and waits for each reply: made with
 * {@link Connection#requester(String)} (replies on a dynamic queue of its
 * own) or {@link Connection#requester(String, Queue)} (replies on a queue of
 * the caller's). A request goes out as a {@link MessageType#REQUEST} naming
 * the reply queue, with a new message identifier; the reply is the message
 * on the reply queue whose correlation identifier is that identifier, which
 * is what {@link Connection#reply(Message, Message)} puts. Its calls run on
 * the connection, outside any unit of work (a request put under syncpoint
 * would reach nobody before the commit).
 *
 * <p>A responder, on a connection of its own:
 *
 * <pre>{@code
 * try (Queue requests = responder.open("REQUESTS", OpenOption.INPUT_SHARED)) {
 *     Message request = requests.get(GetOptions.builder().waitUnlimited().build());
 *     responder.reply(request, Message.text("done: " + request.bodyText()));
 * }
 * }</pre>
 */
public final class Requester implements AutoCloseable {

    private static final PutOptions NEW_ID = PutOptions.builder().newMsgId().build();

    private final Queue requests;
    private final Queue replies;
    private final boolean ownReplies;

    private Requester(Queue requests, Queue replies, boolean ownReplies) {
        this.requests = requests;
        this.replies = replies;
        this.ownReplies = ownReplies;
    }

    static Requester open(Connection connection, String requestQueue, Queue replyQueue) {
        if (replyQueue != null && replyQueue.connection() != connection) {
            throw new IllegalArgumentException("the reply queue " + replyQueue.name() + " is open on another connection");
        }
        Queue requests = connection.open(requestQueue, OpenOption.OUTPUT);
        if (replyQueue != null) {
            return new Requester(requests, replyQueue, false);
        }
        try {
            Queue replies = connection.openDynamic(Connection.DEFAULT_MODEL_QUEUE, "REPLIES.*",
                    OpenOption.INPUT_EXCLUSIVE);
            return new Requester(requests, replies, true);
        } catch (RuntimeException e) {
            requests.close();
            throw e;
        }
    }

    /**
     * The queue the replies come to.
     *
     * @return the reply queue
     */
    public Queue replyQueue() {
        return replies;
    }

    /**
     * Sends a request and waits for its reply. The request's descriptor
     * receives its reply-to queue, its type and the identifier it was put
     * with.
     *
     * @param request the request
     * @param timeout the longest wait for the reply
     * @return the reply, or empty when none came in time
     * @throws WaitInterruptedException when an interrupt ended the wait
     */
    public Optional<Message> request(Message request, Duration timeout) {
        Objects.requireNonNull(request, "request");
        Objects.requireNonNull(timeout, "timeout");
        GetOptions.Builder wait = GetOptions.builder().waitFor(timeout);
        request.setReplyToQueue(replies.name()).setMessageType(MessageType.REQUEST);
        requests.put(request, NEW_ID);
        return replies.receive(wait.matchCorrelId(request.msgId()).build());
    }

    /**
     * Closes the request queue, and the reply queue when the requester made
     * it (deleting it with the replies that came too late).
     */
    @Override
    public void close() {
        try {
            requests.close();
        } finally {
            if (ownReplies) {
                replies.close(CloseOption.DELETE);
            }
        }
    }

    /** The request and reply queues' names. */
    @Override
    public String toString() {
        return "Requester[" + requests.name() + " -> " + replies.name() + "]";
    }
}
