package com.orvane.vx.taly.api;

import com.orvane.vx.taly.handles.Pint;
import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.Reasons;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Collections;
import java.util.Set;

/**
 * A queue opened on a {@link Connection}. Its calls run on the connection and
 * are serialised with the connection's other calls (see {@link Connection}).
 * It may have one consumer, whose listener is called with its messages on a
 * thread of the queue manager ({@link #registerConsumer}).
 * Closing (try-with-resources) releases the handle; after that, or after the
 * connection is closed, every call fails with {@code VXRC_HOBJ_ERROR} or
 * {@code VXRC_HCONN_ERROR} without reaching the queue manager.
 */
public final class Queue implements AutoCloseable {

    private final Connection connection;
    private final LocalHobj hobj;
    private final String name;
    private final Set<OpenOption> options;
    private final Completion openCompletion;
    private volatile boolean closed;

    Queue(Connection connection, LocalHobj hobj, String name, Set<OpenOption> options, Completion openCompletion) {
        this.connection = connection;
        this.hobj = hobj;
        this.name = name;
        this.options = Collections.unmodifiableSet(options);
        this.openCompletion = openCompletion;
    }

    /** The queue's name; for a dynamic queue, the name the queue manager made. */
    public String name() {
        return name;
    }

    public Set<OpenOption> options() {
        return options;
    }

    public Connection connection() {
        return connection;
    }

    /** What the open call reported. */
    public Completion openCompletion() {
        return openCompletion;
    }

    /** Puts a message outside any unit of work. */
    public Completion put(Message message) {
        return put(message, PutOptions.DEFAULTS);
    }

    /**
     * Puts the message's body ({@code VXPUT}). The message's descriptor
     * receives what the queue manager chose: identifiers, put time, priority.
     */
    public Completion put(Message message, PutOptions putOptions) {
        byte[] body = message.body();
        return call("VXPUT", (hconn, hobjValue) -> Puts.withProperties(connection, message, putOptions,
                pmo -> Connection.checked("VXPUT", name,
                        Calls.put(hconn, hobjValue, message.descriptor(), pmo, body, body.length))));
    }

    /**
     * Puts one message made of the segments laid end to end ({@code talyPut}:
     * the library gathers them into one block, copying each once). The
     * message supplies the descriptor, which receives what the queue manager
     * chose; its body is not sent.
     */
    public Completion putGathered(Message message, PutOptions putOptions, Segment... segments) {
        int count = segments.length;
        byte[][] arrays = new byte[count][];
        int[] offsets = new int[count];
        int[] lengths = new int[count];
        long total = 0;
        for (int i = 0; i < count; i++) {
            arrays[i] = segments[i].array();
            offsets[i] = segments[i].offset();
            lengths[i] = segments[i].length();
            total += lengths[i];
        }
        if (total > Integer.MAX_VALUE) {
            throw new IllegalArgumentException("segments of " + total + " bytes in all");
        }
        return call("VXPUT", (hconn, hobjValue) -> Puts.withProperties(connection, message, putOptions,
                pmo -> Connection.checked("VXPUT", name,
                        Calls.putGathered(hconn, hobjValue, message.descriptor(), pmo, arrays, offsets, lengths))));
    }

    /** Takes the first message, without waiting. */
    public Message get() {
        return get(GetOptions.DEFAULTS);
    }

    /**
     * Gets (or browses) a message. Failures throw, {@code VXRC_NO_MSG_AVAILABLE}
     * included; a message truncated with {@link GetOptions.Builder#acceptTruncated()}
     * comes back with completion code 1, its first bytes and its full
     * {@link Message#dataLength()}. With {@link GetOptions.Builder#withProperties()}
     * the message comes back with its properties, through a handle made for
     * the get and deleted after it.
     */
    public Message get(GetOptions getOptions) {
        if (getOptions.properties() != null || !getOptions.withProperties()) {
            return get(getOptions, getOptions.properties());
        }
        return call("VXGET", (hconn, hobjValue) -> {
            try (MessageHandle handle = MessageHandle.create(connection)) {
                Message message = get(getOptions, handle);
                message.receivedProperties(handle.properties());
                return message;
            }
        });
    }

    private Message get(GetOptions getOptions, MessageHandle properties) {
        Message message = new Message();
        getOptions.applyMatch(message);
        GetMessageOptions gmo = new GetMessageOptions()
                .setOptions(getOptions.options())
                .setWaitInterval(getOptions.waitMillis())
                .setMatchOptions(getOptions.matchOptions())
                .setMsgHandle(properties == null ? 0 : properties.value());
        byte[] buffer = new byte[getOptions.bufferSize()];
        Pint dataLength = new Pint();
        Completion completion = call("VXGET", (hconn, hobjValue) ->
                Calls.get(hconn, hobjValue, message.descriptor(), gmo, buffer, dataLength));
        if (completion.failed()) {
            String detail = "queue '" + name + "'";
            if (completion.reason() == Reasons.VXRC_TRUNCATED_MSG_FAILED) {
                detail += ", message of " + gmo.msgLength() + " bytes, buffer of " + buffer.length;
            }
            throw new VxException("VXGET", completion, detail);
        }
        int received = Math.max(0, Math.min(dataLength.x, buffer.length));
        message.received(received == buffer.length ? buffer : Arrays.copyOf(buffer, received), dataLength.x,
                completion);
        return message;
    }

    /** Registers a consumer of whole messages; see {@link #registerConsumer(MessageListener, ConsumerOptions)}. */
    public Completion registerConsumer(MessageListener listener) {
        return registerConsumer(listener, ConsumerOptions.DEFAULTS);
    }

    /**
     * Registers the consumer of this queue's messages ({@code VXCB}),
     * replacing one registered before (which then has its deregister call).
     * The queue must be open for input (or browse, to browse). Its listener
     * is called on a thread of the queue manager once the connection is
     * started ({@link Connection#start()}), and until it is deregistered,
     * the queue closed or the connection closed.
     */
    public Completion registerConsumer(MessageListener listener, ConsumerOptions consumerOptions) {
        if (listener == null) {
            throw new NullPointerException("listener");
        }
        ConsumerBridge bridge = ConsumerBridge.forConsumer(this, listener, consumerOptions);
        Message match = consumerOptions.matchValues();
        GetMessageOptions gmo = new GetMessageOptions()
                .setOptions(consumerOptions.options())
                .setMatchOptions(consumerOptions.matchOptions());
        byte[] cbd = Calls.callbackDescriptor(Constants.VXCBT_MESSAGE_CONSUMER, consumerOptions.maxMessageLength());
        int operation = Constants.VXOP_REGISTER | (consumerOptions.suspended() ? Constants.VXOP_SUSPEND : 0);
        return call("VXCB", (hconn, hobjValue) -> {
            Completion completion = Connection.checked("VXCB", name,
                    Calls.callback(hconn, operation, hobj, bridge, match.descriptor(), gmo, cbd));
            connection.registered(hobjValue, bridge);
            return completion;
        });
    }

    /**
     * Deregisters the queue's consumer. From any thread but a listener's, it
     * returns once the consumer has had its last call (stop, if it was
     * started, then deregister).
     */
    public Completion deregisterConsumer() {
        return consumerCall(Constants.VXOP_DEREGISTER);
    }

    /** Holds the consumer's messages back until {@link #resumeConsumer()}. */
    public Completion suspendConsumer() {
        return consumerCall(Constants.VXOP_SUSPEND);
    }

    public Completion resumeConsumer() {
        return consumerCall(Constants.VXOP_RESUME);
    }

    private Completion consumerCall(int operation) {
        return call("VXCB", (hconn, hobjValue) -> Connection.checked("VXCB", name,
                Calls.callback(hconn, operation, hobj, null, null, null, null)));
    }

    /** One integer attribute. */
    public int inquire(IntAttribute attribute) {
        return inquireInts(attribute)[0];
    }

    /** Integer attributes, in the order asked. */
    public int[] inquireInts(IntAttribute... attributes) {
        int[] selectors = new int[attributes.length];
        for (int i = 0; i < attributes.length; i++) {
            selectors[i] = attributes[i].selector();
        }
        int[] values = new int[attributes.length];
        call("VXINQ", (hconn, hobjValue) -> Connection.checked("VXINQ", name,
                Calls.inquire(hconn, hobjValue, selectors, values, new byte[0])));
        return values;
    }

    /** One character attribute, without its trailing blanks. */
    public String inquire(CharAttribute attribute) {
        byte[] chars = new byte[attribute.length()];
        call("VXINQ", (hconn, hobjValue) -> Connection.checked("VXINQ", name,
                Calls.inquire(hconn, hobjValue, new int[] {attribute.selector()}, new int[0], chars)));
        return new String(chars, StandardCharsets.ISO_8859_1).stripTrailing();
    }

    /** Messages on the queue, uncommitted ones included. */
    public int depth() {
        return inquire(IntAttribute.CURRENT_DEPTH);
    }

    /** Sets an integer attribute (the queue must be open with {@link OpenOption#SET}). */
    public Completion set(IntAttribute attribute, int value) {
        return call("VXSET", (hconn, hobjValue) -> Connection.checked("VXSET", name,
                Calls.set(hconn, hobjValue, new int[] {attribute.selector()}, new int[] {value}, new byte[0])));
    }

    /**
     * Closes the handle, deleting a dynamic queue with {@link CloseOption#DELETE}.
     * When the close fails the handle stays open, unless the queue manager
     * no longer knows it. The queue's consumer goes with the handle: from
     * any thread but a listener's, close returns once it has had its last call. Closing a closed queue, or a queue whose connection
     * is closed, does nothing.
     */
    public Completion close(CloseOption option) {
        return connection.callUnlessClosed(Completion.OK, hconn -> {
            if (closed) {
                return Completion.OK;
            }
            Completion completion = Calls.close(hconn, hobj, option.value());
            if (!completion.failed() || completion.reason() == Reasons.VXRC_HOBJ_ERROR) {
                closed = true;
            }
            return Connection.checked("VXCLOSE", name, completion);
        });
    }

    /** Closes the handle, as {@link #close(CloseOption)} with {@link CloseOption#NONE}. */
    @Override
    public void close() {
        close(CloseOption.NONE);
    }

    public boolean isClosed() {
        return closed || connection.isClosed();
    }

    /** The object handle, for a subscription that delivers to this queue. */
    int handle() {
        return connection.call("VXSUB", hconn -> {
            if (closed) {
                throw new VxException("VXSUB", Reasons.VXCC_FAILED, Reasons.VXRC_HOBJ_ERROR,
                        "queue '" + name + "' is closed");
            }
            return hobj.getValue();
        });
    }

    private interface QueueCall<T> {
        T run(int hconn, int hobj);
    }

    private <T> T call(String callName, QueueCall<T> body) {
        return connection.call(callName, hconn -> {
            if (closed) {
                throw new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HOBJ_ERROR,
                        "queue '" + name + "' is closed");
            }
            return body.run(hconn, hobj.getValue());
        });
    }

    @Override
    public String toString() {
        return "Queue[" + name + ", " + options + "]";
    }
}
