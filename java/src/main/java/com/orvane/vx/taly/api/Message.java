package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.MessageDescriptor;
import java.nio.charset.StandardCharsets;
import java.time.Duration;
import java.time.Instant;
import java.time.LocalDateTime;
import java.time.ZoneOffset;
import java.time.format.DateTimeFormatter;
import java.time.format.DateTimeParseException;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Optional;

/**
 * A message: its body and its descriptor fields. A put fills in what the
 * queue manager chose (message identifier, priority and persistence taken
 * from the queue, put time, user); a get returns a new message with the
 * received bytes, the descriptor as the message carried it, and the full data
 * length. Not thread-safe: a message is a value that one thread fills and
 * hands on.
 *
 * <p>Identifiers are up to 24 bytes; shorter ones are padded with zero bytes,
 * and they come back 24 bytes long. An all-zero message identifier asks the
 * put for a new one.
 */
public final class Message {

    private static final DateTimeFormatter PUT_STAMP = DateTimeFormatter.ofPattern("yyyyMMddHHmmss");

    private final MessageDescriptor md;
    private byte[] body;
    private int dataLength;
    private Completion completion = Completion.OK;
    /** Made at the first property: most messages have none. */
    private Map<String, Property> properties;

    /** An empty message with the default descriptor. */
    public Message() {
        this(new byte[0]);
    }

    /**
     * A message with this body and the default descriptor: a datagram of the
     * queue's default priority and persistence, without format.
     *
     * @param body the body, not copied
     */
    public Message(byte[] body) {
        Objects.requireNonNull(body, "body");
        md = new MessageDescriptor();
        setBody(body);
    }

    /** A message delivered to a consumer: its descriptor array and the bytes that came. */
    Message(byte[] descriptor, byte[] bytes, int fullLength, Completion deliveryCompletion) {
        md = MessageDescriptor.of(descriptor);
        body = bytes;
        dataLength = fullLength;
        completion = deliveryCompletion;
    }

    /**
     * A message whose body is the text in UTF-8, with format "TEXT".
     *
     * @param text the body's text
     * @return the message
     */
    public static Message text(String text) {
        Objects.requireNonNull(text, "text");
        return new Message(text.getBytes(StandardCharsets.UTF_8)).setFormat(Constants.VXFMT_TEXT);
    }

    /**
     * The body: as set, or after a get the bytes received.
     *
     * @return the body array itself, not a copy
     */
    public byte[] body() {
        return body;
    }

    /**
     * Sets the body.
     *
     * @param bytes the body, not copied
     * @return this message
     */
    public Message setBody(byte[] bytes) {
        body = Objects.requireNonNull(bytes, "bytes");
        dataLength = bytes.length;
        return this;
    }

    /**
     * The body read as UTF-8.
     *
     * @return the body's text
     */
    public String bodyText() {
        return new String(body, StandardCharsets.UTF_8);
    }

    /**
     * After a get: the message's full length, larger than the body when it
     * was truncated.
     *
     * @return the length in bytes
     */
    public int dataLength() {
        return dataLength;
    }

    /**
     * After a get: whether the body holds only the first bytes of the message.
     *
     * @return true when the message was longer than its body
     */
    public boolean truncated() {
        return dataLength > body.length;
    }

    /**
     * After a get: the get's completion (a warning when the message was
     * truncated); for a consumer, the completion of its delivery.
     *
     * @return the completion
     */
    public Completion completion() {
        return completion;
    }

    /**
     * The message identifier.
     *
     * @return a copy of its 24 bytes
     */
    public byte[] msgId() {
        return md.msgId();
    }

    /**
     * Sets the message identifier; all zero asks the put for a new one.
     *
     * @param id up to 24 bytes
     * @return this message
     */
    public Message setMsgId(byte[] id) {
        md.setMsgId(checkedId(id, "id"));
        return this;
    }

    /**
     * The correlation identifier: a reply carries its request's message
     * identifier here.
     *
     * @return a copy of its 24 bytes
     */
    public byte[] correlId() {
        return md.correlId();
    }

    /**
     * Sets the correlation identifier.
     *
     * @param id up to 24 bytes
     * @return this message
     */
    public Message setCorrelId(byte[] id) {
        md.setCorrelId(checkedId(id, "id"));
        return this;
    }

    /**
     * The format name, without trailing blanks ("TEXT" for a text message,
     * empty for none).
     *
     * @return the format
     */
    public String format() {
        return md.format();
    }

    /**
     * Sets the format name.
     *
     * @param format up to 8 characters
     * @return this message
     */
    public Message setFormat(String format) {
        md.setFormat(Objects.requireNonNull(format, "format"));
        return this;
    }

    /**
     * The character set of the body's text (0: the queue manager's default,
     * ISO 8859-1).
     *
     * @return the coded character set identifier
     */
    public int codedCharSetId() {
        return md.codedCharSetId();
    }

    /**
     * Sets the character set of the body's text.
     *
     * @param ccsid the coded character set identifier, such as 1208 for UTF-8
     * @return this message
     */
    public Message setCodedCharSetId(int ccsid) {
        md.setCodedCharSetId(ccsid);
        return this;
    }

    /**
     * What the message is for.
     *
     * @return the type; {@link MessageType#DATAGRAM} unless set
     */
    public MessageType messageType() {
        return MessageType.of(md.msgType());
    }

    /**
     * Sets what the message is for.
     *
     * @param type the type
     * @return this message
     */
    public Message setMessageType(MessageType type) {
        md.setMsgType(Objects.requireNonNull(type, "type").value());
        return this;
    }

    /**
     * The priority: {@link Priority#AS_QUEUE} before a put unless set; after
     * a put or a get, the message's own.
     *
     * @return the priority
     */
    public Priority priority() {
        return Priority.ofDescriptor(md.priority());
    }

    /**
     * Sets the priority.
     *
     * @param priority the priority, or {@link Priority#AS_QUEUE} for the queue's default
     * @return this message
     */
    public Message setPriority(Priority priority) {
        md.setPriority(Objects.requireNonNull(priority, "priority").value());
        return this;
    }

    /**
     * Sets the priority to a level, as {@code setPriority(Priority.of(level))}.
     *
     * @param level 0 to 9
     * @return this message
     * @throws IllegalArgumentException for a level outside 0 to 9
     */
    public Message setPriority(int level) {
        return setPriority(Priority.of(level));
    }

    /**
     * The persistence: {@link Persistence#AS_QUEUE} before a put unless set;
     * after a put or a get, the message's own.
     *
     * @return the persistence
     */
    public Persistence persistence() {
        return Persistence.of(md.persistence());
    }

    /**
     * Sets the persistence.
     *
     * @param persistence the persistence, or {@link Persistence#AS_QUEUE} for the queue's default
     * @return this message
     */
    public Message setPersistence(Persistence persistence) {
        md.setPersistence(Objects.requireNonNull(persistence, "persistence").value());
        return this;
    }

    /**
     * The lifetime (after a get: what is left of it).
     *
     * @return the lifetime, or empty for unlimited
     */
    public Optional<Duration> expiry() {
        int millis = md.expiry();
        return millis == Constants.VXEXP_UNLIMITED ? Optional.empty() : Optional.of(Duration.ofMillis(millis));
    }

    /**
     * Sets the lifetime, in whole milliseconds: the message expires that long
     * after its put and is never got after that.
     *
     * @param lifetime 1 ms to {@code Integer.MAX_VALUE} ms; null or zero for unlimited
     * @return this message
     * @throws IllegalArgumentException for a lifetime outside that range
     */
    public Message setExpiry(Duration lifetime) {
        if (lifetime == null || lifetime.isZero()) {
            md.setExpiry(Constants.VXEXP_UNLIMITED);
            return this;
        }
        if (lifetime.isNegative() || lifetime.toMillis() > Integer.MAX_VALUE || lifetime.toMillis() == 0) {
            throw new IllegalArgumentException("expiry " + lifetime + " is not 1 ms to " + Integer.MAX_VALUE + " ms");
        }
        md.setExpiry((int) lifetime.toMillis());
        return this;
    }

    /**
     * The queue a reply should go to, without trailing blanks; empty for
     * none.
     *
     * @return the reply-to queue's name
     */
    public String replyToQueue() {
        return md.replyToQ();
    }

    /**
     * Sets the queue a reply should go to.
     *
     * @param name the queue's name, up to 48 characters
     * @return this message
     */
    public Message setReplyToQueue(String name) {
        md.setReplyToQ(Objects.requireNonNull(name, "name"));
        return this;
    }

    /**
     * The queue manager of the reply-to queue, without trailing blanks;
     * empty for the one the message was put on.
     *
     * @return the queue manager's name
     */
    public String replyToQueueManager() {
        return md.replyToQMgr();
    }

    /**
     * Sets the queue manager of the reply-to queue.
     *
     * @param name the queue manager's name, up to 48 characters
     * @return this message
     */
    public Message setReplyToQueueManager(String name) {
        md.setReplyToQMgr(Objects.requireNonNull(name, "name"));
        return this;
    }

    /**
     * How often a get of this message was backed out.
     *
     * @return the backout count
     */
    public int backoutCount() {
        return md.backoutCount();
    }

    /**
     * The user of the connection that put the message.
     *
     * @return the user identifier, up to 12 characters
     */
    public String userId() {
        return md.userIdentifier();
    }

    /**
     * When the message was put, to the hundredth of a second.
     *
     * @return the put time, or empty before a put
     */
    public Optional<Instant> putTime() {
        String date = md.putDate();
        String time = md.putTime();
        if (date.length() != 8 || time.length() != 8) {
            return Optional.empty();
        }
        try {
            LocalDateTime stamp = LocalDateTime.parse(date + time.substring(0, 6), PUT_STAMP);
            int hundredths = Integer.parseInt(time.substring(6, 8));
            return Optional.of(stamp.toInstant(ZoneOffset.UTC).plusMillis(hundredths * 10L));
        } catch (DateTimeParseException | NumberFormatException e) {
            return Optional.empty();
        }
    }

    /**
     * Sets a property that a put carries with the message, replacing one of
     * the same name; its type follows from the value's class (see
     * {@link Property}).
     *
     * @param name the property's name
     * @param value the value
     * @return this message
     */
    public Message setProperty(String name, Object value) {
        return setProperty(Property.of(name, value));
    }

    /**
     * Sets a property that a put carries with the message, replacing one of
     * the same name.
     *
     * @param property the property
     * @return this message
     */
    public Message setProperty(Property property) {
        Objects.requireNonNull(property, "property");
        if (properties == null) {
            properties = new LinkedHashMap<>();
        }
        properties.put(property.name(), property);
        return this;
    }

    /**
     * Removes a property; a name the message has no property of does nothing.
     *
     * @param name the property's name
     * @return this message
     */
    public Message removeProperty(String name) {
        Objects.requireNonNull(name, "name");
        if (properties != null) {
            properties.remove(name);
        }
        return this;
    }

    /**
     * The message's properties: as set, or after a get that asked for them,
     * as received.
     *
     * @return a new list, in the order the names were first set
     */
    public List<Property> properties() {
        return properties == null ? new ArrayList<>() : new ArrayList<>(properties.values());
    }

    boolean hasProperties() {
        return properties != null && !properties.isEmpty();
    }

    /**
     * The property of this name.
     *
     * @param name the property's name
     * @return the property, or empty when the message has none of that name
     */
    public Optional<Property> property(String name) {
        Objects.requireNonNull(name, "name");
        return properties == null ? Optional.empty() : Optional.ofNullable(properties.get(name));
    }

    MessageDescriptor descriptor() {
        return md;
    }

    /** Records what a get delivered. */
    void received(byte[] bytes, int fullLength, Completion getCompletion) {
        body = bytes;
        dataLength = fullLength;
        completion = getCompletion;
    }

    void receivedProperties(List<Property> received) {
        properties = new LinkedHashMap<>();
        for (Property p : received) {
            properties.put(p.name(), p);
        }
    }

    /** An identifier checked for its length, as the descriptor takes it. */
    static byte[] checkedId(byte[] id, String parameter) {
        Objects.requireNonNull(id, parameter);
        if (id.length > Constants.VX_MSG_ID_LENGTH) {
            throw new IllegalArgumentException("identifier of " + id.length + " bytes is longer than "
                    + Constants.VX_MSG_ID_LENGTH);
        }
        return id;
    }

    /** The lengths, format, type, priority and backout count, for a log line. */
    @Override
    public String toString() {
        return "Message[" + body.length + " of " + dataLength + " bytes, format '" + format() + "', "
                + messageType() + ", priority " + priority() + ", backout count " + backoutCount() + "]";
    }
}
