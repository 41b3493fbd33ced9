package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.Reasons;
import java.util.Objects;

/**
 * A topic opened for publishing on a {@link Connection}. A topic string is
 * made of levels separated by '/', such as "prices/fruit/apples"; it holds no
 * '*'. Each publication reaches, as a message of its own, every subscription
 * whose topic string matches it at the time. Its calls run on the connection
 * and are serialised with the connection's other calls. Closing
 * (try-with-resources) releases the handle.
 */
public final class Topic implements AutoCloseable {

    private final Connection connection;
    private final LocalHobj hobj;
    private final String topicString;
    private boolean closed;

    private Topic(Connection connection, LocalHobj hobj, String topicString) {
        this.connection = connection;
        this.hobj = hobj;
        this.topicString = topicString;
    }

    static Topic open(Connection connection, String topicString) {
        ObjectDescriptor od = ObjectDescriptor.topic(topicString);
        return connection.call("VXOPEN", hconn -> {
            LocalHobj hobj = new LocalHobj();
            Completion completion = Calls.open(hconn, od, Constants.VXOO_OUTPUT, hobj);
            if (completion.failed()) {
                throw new VxException("VXOPEN", completion, "topic '" + topicString + "'");
            }
            return new Topic(connection, hobj, od.resolvedObjectString());
        });
    }

    /**
     * The topic string, as the queue manager resolved it.
     *
     * @return the topic string
     */
    public String topicString() {
        return topicString;
    }

    /**
     * The connection the topic is open on.
     *
     * @return the connection
     */
    public Connection connection() {
        return connection;
    }

    /**
     * Publishes outside any unit of work.
     *
     * @param message the message
     * @return the publication's completion
     */
    public Completion publish(Message message) {
        return publish(message, PutOptions.DEFAULTS);
    }

    /**
     * Publishes the message ({@code VXPUT} to the topic). A subscription
     * whose destination cannot take its copy is skipped, and the publication
     * completes with the warning {@code VXRC_NOT_ALL_DELIVERED}; a topic
     * without subscribers is no failure. Under syncpoint the copies appear at
     * the commit.
     *
     * @param message the message
     * @param putOptions how to put it
     * @return the publication's completion: OK, or the warning
     *     {@code VXRC_NOT_ALL_DELIVERED}
     */
    public Completion publish(Message message, PutOptions putOptions) {
        Objects.requireNonNull(message, "message");
        Objects.requireNonNull(putOptions, "putOptions");
        byte[] body = message.body();
        return call(hconn -> Puts.withProperties(connection, message, putOptions, pmo -> {
            Completion completion = Calls.put(hconn, hobj.getValue(), message.descriptor(), pmo, body, body.length);
            if (completion.failed()) {
                throw new VxException("VXPUT", completion, "topic '" + topicString + "'");
            }
            return completion;
        }));
    }

    /** Releases the handle. Closing a closed topic, or one whose connection is closed, does nothing. */
    @Override
    public void close() {
        connection.callUnlessClosed(Completion.OK, hconn -> {
            if (closed) {
                return Completion.OK;
            }
            Completion completion = Calls.close(hconn, hobj, Constants.VXCO_NONE);
            if (!completion.failed() || completion.reason() == Reasons.VXRC_HOBJ_ERROR) {
                closed = true;
            }
            return Connection.checked("VXCLOSE", topicString, completion);
        });
    }

    private <T> T call(Connection.Call<T> body) {
        return connection.call("VXPUT", hconn -> {
            if (closed) {
                throw new VxException("VXPUT", Reasons.VXCC_FAILED, Reasons.VXRC_HOBJ_ERROR,
                        "topic '" + topicString + "' is closed");
            }
            return body.run(hconn);
        });
    }

    /** The topic string. */
    @Override
    public String toString() {
        return "Topic[" + topicString + "]";
    }
}
