package com.orvane.vx.taly.api;

import com.orvane.vx.taly.local.LocalHobj;
import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.GetMessageOptions;
import com.orvane.vx.taly.structs.ObjectDescriptor;
import com.orvane.vx.taly.structs.Reasons;
import java.nio.charset.StandardCharsets;
import java.time.Duration;
import java.util.Collections;
import java.util.Objects;
import java.util.Optional;
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

    /**
     * The longest a get waits in one call to the queue manager: a longer wait
     * is made of such slices, between which a close from another thread or
     * an interrupt ends it, and other threads' calls on the connection run.
     */
    public static final int WAIT_SLICE_MILLIS = 200;

    private final Connection connection;
    private final LocalHobj hobj;
    private final String name;
    private final Set<OpenOption> options;
    private final Completion openCompletion;
    /** Made for this connection alone (dynamic or managed): it ends with the connection's handle. */
    private final boolean madeForConnection;
    private volatile boolean closing;
    private volatile boolean closed;

    Queue(Connection connection, LocalHobj hobj, String name, Set<OpenOption> options, Completion openCompletion,
            boolean madeForConnection) {
        this.connection = connection;
        this.hobj = hobj;
        this.name = name;
        this.options = Collections.unmodifiableSet(options);
        this.openCompletion = openCompletion;
        this.madeForConnection = madeForConnection;
        connection.opened(this);
    }

    /**
     * The queue's name.
     *
     * @return the name; for a dynamic queue, the name the queue manager made
     */
    public String name() {
        return name;
    }

    /**
     * How the queue was opened.
     *
     * @return the open options, unmodifiable
     */
    public Set<OpenOption> options() {
        return options;
    }

    /**
     * The connection the queue is open on.
     *
     * @return the connection
     */
    public Connection connection() {
        return connection;
    }

    /**
     * What the open call reported.
     *
     * @return the open's completion
     */
    public Completion openCompletion() {
        return openCompletion;
    }

    /**
     * Puts a message outside any unit of work ({@code VXPUT}).
     *
     * @param message the message, whose descriptor receives what the queue manager chose
     * @return the put's completion
     */
    public Completion put(Message message) {
        return put(message, PutOptions.DEFAULTS);
    }

    /**
     * Puts the message's body ({@code VXPUT}). The message's descriptor
     * receives what the queue manager chose: identifiers, put time, priority.
     *
     * @param message the message
     * @param putOptions how to put it
     * @return the put's completion
     */
    public Completion put(Message message, PutOptions putOptions) {
        Objects.requireNonNull(message, "message");
        Objects.requireNonNull(putOptions, "putOptions");
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
     *
     * @param message the message whose descriptor and properties go with the segments
     * @param putOptions how to put it
     * @param segments the pieces of the body, in order
     * @return the put's completion
     * @throws IllegalArgumentException when the segments hold more than {@code Integer.MAX_VALUE} bytes
     */
    public Completion putGathered(Message message, PutOptions putOptions, Segment... segments) {
        Objects.requireNonNull(message, "message");
        Objects.requireNonNull(putOptions, "putOptions");
        Objects.requireNonNull(segments, "segments");
        int count = segments.length;
        byte[][] arrays = new byte[count][];
        int[] offsets = new int[count];
        int[] lengths = new int[count];
        long total = 0;
        for (int i = 0; i < count; i++) {
            Segment segment = Objects.requireNonNull(segments[i], "segments");
            arrays[i] = segment.array();
            offsets[i] = segment.offset();
            lengths[i] = segment.length();
            total += lengths[i];
        }
        if (total > Integer.MAX_VALUE) {
            throw new IllegalArgumentException("segments of " + total + " bytes in all");
        }
        return call("VXPUT", (hconn, hobjValue) -> Puts.withProperties(connection, message, putOptions,
                pmo -> Connection.checked("VXPUT", name,
                        Calls.putGathered(hconn, hobjValue, message.descriptor(), pmo, arrays, offsets, lengths))));
    }

    /**
     * Takes the first message, without waiting, whole.
     *
     * @return the message
     * @throws VxException {@code VXRC_NO_MSG_AVAILABLE} when the queue holds none
     */
    public Message get() {
        return get(GetOptions.DEFAULTS);
    }

    /**
     * Gets (or browses) a message ({@code VXGET}). Failures throw,
     * {@code VXRC_NO_MSG_AVAILABLE} included (see {@link #receive(GetOptions)}
     * for a get that answers empty instead). The buffer grows to the message
     * unless {@link GetOptions.Builder#bufferSize(int)} fixes it; a message
     * truncated with {@link GetOptions.Builder#acceptTruncated()} comes back
     * with completion code 1, its first bytes and its full
     * {@link Message#dataLength()}. With {@link GetOptions.Builder#withProperties()}
     * the message comes back with its properties, through a handle made for
     * the get and deleted after it.
     *
     * <p>A get that waits ends when a message comes, at its wait's end, when
     * the queue or its connection is closed by another thread (with
     * {@code VXRC_HOBJ_ERROR} or {@code VXRC_HCONN_ERROR}, within
     * {@value #WAIT_SLICE_MILLIS} ms), or when its thread is interrupted
     * ({@link WaitInterruptedException}, the interrupt status kept); a thread
     * interrupted before the call does not wait at all.
     *
     * @param getOptions how to get it
     * @return the message
     * @throws VxException when the get fails; for a message longer than a fixed
     *     buffer, {@code VXRC_TRUNCATED_MSG_FAILED} with the message's
     *     {@link VxException#messageLength()} and {@link VxException#msgId()}
     * @throws WaitInterruptedException when an interrupt ended the wait
     */
    public Message get(GetOptions getOptions) {
        Objects.requireNonNull(getOptions, "getOptions");
        return Receiver.get(this, getOptions, false);
    }

    /**
     * Takes the first message, waiting up to this long for one; empty when
     * none came. As {@link #receive(GetOptions)} with {@code waitFor(wait)}.
     *
     * @param wait the longest wait; zero for none
     * @return the message, or empty when none came in time
     * @throws WaitInterruptedException when an interrupt ended the wait
     */
    public Optional<Message> receive(Duration wait) {
        Objects.requireNonNull(wait, "wait");
        return receive(GetOptions.builder().waitFor(wait).build());
    }

    /**
     * Gets a message as {@link #get(GetOptions)} does, but answers empty
     * where that throws {@code VXRC_NO_MSG_AVAILABLE}: no matching message
     * came within the options' wait. Other failures throw as there.
     *
     * @param getOptions how to get it, and how long to wait
     * @return the message, or empty when none came
     * @throws WaitInterruptedException when an interrupt ended the wait
     */
    public Optional<Message> receive(GetOptions getOptions) {
        Objects.requireNonNull(getOptions, "getOptions");
        return Optional.ofNullable(Receiver.get(this, getOptions, true));
    }

    /**
     * Registers a consumer of whole messages; see
     * {@link #registerConsumer(MessageListener, ConsumerOptions)}.
     *
     * @param listener the listener, called on a thread of the queue manager
     * @return the call's completion
     */
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
     *
     * @param listener the listener, called on a thread of the queue manager
     * @param consumerOptions how the consumer takes its messages
     * @return the call's completion
     */
    public Completion registerConsumer(MessageListener listener, ConsumerOptions consumerOptions) {
        Objects.requireNonNull(listener, "listener");
        Objects.requireNonNull(consumerOptions, "consumerOptions");
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
     *
     * @return the call's completion
     */
    public Completion deregisterConsumer() {
        return consumerCall(Constants.VXOP_DEREGISTER);
    }

    /**
     * Holds the consumer's messages back until {@link #resumeConsumer()}.
     *
     * @return the call's completion
     */
    public Completion suspendConsumer() {
        return consumerCall(Constants.VXOP_SUSPEND);
    }

    /**
     * Lets the consumer's messages come again after {@link #suspendConsumer()}.
     *
     * @return the call's completion
     */
    public Completion resumeConsumer() {
        return consumerCall(Constants.VXOP_RESUME);
    }

    private Completion consumerCall(int operation) {
        return call("VXCB", (hconn, hobjValue) -> Connection.checked("VXCB", name,
                Calls.callback(hconn, operation, hobj, null, null, null, null)));
    }

    /**
     * One integer attribute ({@code VXINQ}; the queue must be open with
     * {@link OpenOption#INQUIRE}).
     *
     * @param attribute the attribute
     * @return its value
     */
    public int inquire(IntAttribute attribute) {
        Objects.requireNonNull(attribute, "attribute");
        return inquireInts(attribute)[0];
    }

    /**
     * Integer attributes ({@code VXINQ}).
     *
     * @param attributes the attributes
     * @return their values, in the order asked
     */
    public int[] inquireInts(IntAttribute... attributes) {
        Objects.requireNonNull(attributes, "attributes");
        int[] selectors = new int[attributes.length];
        for (int i = 0; i < attributes.length; i++) {
            selectors[i] = Objects.requireNonNull(attributes[i], "attributes").selector();
        }
        int[] values = new int[attributes.length];
        call("VXINQ", (hconn, hobjValue) -> Connection.checked("VXINQ", name,
                Calls.inquire(hconn, hobjValue, selectors, values, new byte[0])));
        return values;
    }

    /**
     * One character attribute ({@code VXINQ}).
     *
     * @param attribute the attribute
     * @return its value, without its trailing blanks
     */
    public String inquire(CharAttribute attribute) {
        Objects.requireNonNull(attribute, "attribute");
        byte[] chars = new byte[attribute.length()];
        call("VXINQ", (hconn, hobjValue) -> Connection.checked("VXINQ", name,
                Calls.inquire(hconn, hobjValue, new int[] {attribute.selector()}, new int[0], chars)));
        return new String(chars, StandardCharsets.ISO_8859_1).stripTrailing();
    }

    /**
     * Messages on the queue, uncommitted ones included (the queue must be
     * open with {@link OpenOption#INQUIRE}).
     *
     * @return the current depth
     */
    public int depth() {
        return inquire(IntAttribute.CURRENT_DEPTH);
    }

    /**
     * Sets an integer attribute ({@code VXSET}; the queue must be open with
     * {@link OpenOption#SET}).
     *
     * @param attribute a settable attribute
     * @param value its new value
     * @return the call's completion
     */
    public Completion set(IntAttribute attribute, int value) {
        Objects.requireNonNull(attribute, "attribute");
        return call("VXSET", (hconn, hobjValue) -> Connection.checked("VXSET", name,
                Calls.set(hconn, hobjValue, new int[] {attribute.selector()}, new int[] {value}, new byte[0])));
    }

    /**
     * Closes the handle ({@code VXCLOSE}), deleting a dynamic queue with
     * {@link CloseOption#DELETE}. A get waiting on the queue in another
     * thread ends within {@value #WAIT_SLICE_MILLIS} ms with
     * {@code VXRC_HOBJ_ERROR}. When the close fails the handle stays open,
     * unless the queue manager no longer knows it. The queue's consumer goes
     * with the handle: from any thread but a listener's, close returns once
     * it has had its last call. Closing a closed queue, or a queue whose
     * connection is closed, does nothing.
     *
     * @param option what closing does besides releasing the handle
     * @return the close's completion
     */
    public Completion close(CloseOption option) {
        Objects.requireNonNull(option, "option");
        closing = true;
        try {
            return connection.callUnlessClosed(Completion.OK, hconn -> {
                if (closed) {
                    return Completion.OK;
                }
                Completion completion = Calls.close(hconn, hobj, option.value());
                if (!completion.failed() || completion.reason() == Reasons.VXRC_HOBJ_ERROR) {
                    closed = true;
                    connection.forget(this);
                }
                return Connection.checked("VXCLOSE", name, completion);
            });
        } finally {
            closing = closed;
        }
    }

    /** Closes the handle, as {@link #close(CloseOption)} with {@link CloseOption#NONE}. */
    @Override
    public void close() {
        close(CloseOption.NONE);
    }

    /**
     * Whether the handle is closed, or its connection.
     *
     * @return true once closed
     */
    public boolean isClosed() {
        return closed || connection.isClosed();
    }

    /** Whether a close of this queue has started, in this thread or another. */
    boolean closing() {
        return closing || closed;
    }

    /** The object handle for a get made while the connection is held; throws once closed. */
    int handleForGet() {
        if (closed) {
            throw closedQueue("VXGET");
        }
        return hobj.getValue();
    }

    /** The object handle, for a subscription that delivers to this queue. */
    int handle() {
        return connection.call("VXSUB", hconn -> {
            if (closed) {
                throw closedQueue("VXSUB");
            }
            return hobj.getValue();
        });
    }

    /**
     * Opens the queue again on the connection's new handle, after a
     * reconnect; a queue made for the old handle alone is closed instead.
     * Called with the connection held.
     */
    boolean reopen(int hconn) {
        if (closed) {
            return false;
        }
        if (!madeForConnection) {
            Completion completion = Calls.open(hconn, ObjectDescriptor.queue(name), OpenOption.combine(options), hobj);
            if (!completion.failed()) {
                return true;
            }
        }
        closed = true;
        connection.forget(this);
        return false;
    }

    private VxException closedQueue(String callName) {
        return new VxException(callName, Reasons.VXCC_FAILED, Reasons.VXRC_HOBJ_ERROR,
                "queue '" + name + "' is closed");
    }

    private interface QueueCall<T> {
        T run(int hconn, int hobj);
    }

    private <T> T call(String callName, QueueCall<T> body) {
        return connection.call(callName, hconn -> {
            if (closed) {
                throw closedQueue(callName);
            }
            return body.run(hconn, hobj.getValue());
        });
    }

    /** The queue's name and open options. */
    @Override
    public String toString() {
        return "Queue[" + name + ", " + options + "]";
    }
}
