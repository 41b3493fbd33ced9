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
 */
public final class Message {

    private static final DateTimeFormatter PUT_STAMP = DateTimeFormatter.ofPattern("yyyyMMddHHmmss");

    private final MessageDescriptor md;
    private byte[] body;
    private int dataLength;
    private Completion completion = Completion.OK;
    private final Map<String, Property> properties = new LinkedHashMap<>();

    /** An empty message with the default descriptor. */
    public Message() {
        this(new byte[0]);
    }

    /** A message with this body (not copied) and the default descriptor. */
    public Message(byte[] body) {
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

    /** A message whose body is the text in UTF-8, with format {@link Constants#VXFMT_TEXT}. */
    public static Message text(String text) {
        return new Message(text.getBytes(StandardCharsets.UTF_8)).setFormat(Constants.VXFMT_TEXT);
    }

    public byte[] body() {
        return body;
    }

    public Message setBody(byte[] bytes) {
        body = Objects.requireNonNull(bytes, "body");
        dataLength = bytes.length;
        return this;
    }

    /** The body read as UTF-8. */
    public String bodyText() {
        return new String(body, StandardCharsets.UTF_8);
    }

    /** After a get: the message's full length, larger than the body when it was truncated. */
    public int dataLength() {
        return dataLength;
    }

    /** After a get: whether the body holds only the first bytes of the message. */
    public boolean truncated() {
        return dataLength > body.length;
    }

    /**
     * After a get: the get's completion (a warning when the message was
     * truncated); for a consumer, the completion of its delivery.
     */
    public Completion completion() {
        return completion;
    }

    public byte[] msgId() {
        return md.msgId();
    }

    /** Sets the message identifier (up to 24 bytes, zero-padded); all zero asks for a new one. */
    public Message setMsgId(byte[] id) {
        md.setMsgId(id);
        return this;
    }

    public byte[] correlId() {
        return md.correlId();
    }

    public Message setCorrelId(byte[] id) {
        md.setCorrelId(id);
        return this;
    }

    public String format() {
        return md.format();
    }

    public Message setFormat(String format) {
        md.setFormat(format);
        return this;
    }

    /** The character set of the body's text (0: the queue manager's default, ISO 8859-1). */
    public int codedCharSetId() {
        return md.codedCharSetId();
    }

    public Message setCodedCharSetId(int ccsid) {
        md.setCodedCharSetId(ccsid);
        return this;
    }

    public int msgType() {
        return md.msgType();
    }

    public Message setMsgType(int type) {
        md.setMsgType(type);
        return this;
    }

    /** 0 to 9, or {@link Constants#VXPRI_AS_QUEUE} before a put for the queue's default. */
    public int priority() {
        return md.priority();
    }

    public Message setPriority(int priority) {
        md.setPriority(priority);
        return this;
    }

    /** {@link Constants#VXPER_PERSISTENT}, {@link Constants#VXPER_NOT_PERSISTENT} or as the queue's default. */
    public int persistence() {
        return md.persistence();
    }

    public Message setPersistence(int persistence) {
        md.setPersistence(persistence);
        return this;
    }

    /** The lifetime (after a get: what is left of it); empty for unlimited. */
    public Optional<Duration> expiry() {
        int millis = md.expiry();
        return millis == Constants.VXEXP_UNLIMITED ? Optional.empty() : Optional.of(Duration.ofMillis(millis));
    }

    /** Sets the lifetime, in whole milliseconds; null or zero for unlimited. */
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

    public String replyToQueue() {
        return md.replyToQ();
    }

    public Message setReplyToQueue(String name) {
        md.setReplyToQ(name);
        return this;
    }

    public String replyToQueueManager() {
        return md.replyToQMgr();
    }

    public Message setReplyToQueueManager(String name) {
        md.setReplyToQMgr(name);
        return this;
    }

    /** How often a get of this message was backed out. */
    public int backoutCount() {
        return md.backoutCount();
    }

    /** The user of the connection that put the message. */
    public String userId() {
        return md.userIdentifier();
    }

    /** When the message was put, to the hundredth of a second; empty before a put. */
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
     * Sets a property that a put carries with the message (see
     * {@link Property} for the value's classes); one of the same name is
     * replaced.
     */
    public Message setProperty(String name, Object value) {
        return setProperty(Property.of(name, value));
    }

    public Message setProperty(Property property) {
        properties.put(property.name(), property);
        return this;
    }

    public Message removeProperty(String name) {
        properties.remove(name);
        return this;
    }

    /** The message's properties: as set, or after a get that asked for them, as received. */
    public List<Property> properties() {
        return new ArrayList<>(properties.values());
    }

    public Optional<Property> property(String name) {
        return Optional.ofNullable(properties.get(name));
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
        properties.clear();
        for (Property p : received) {
            properties.put(p.name(), p);
        }
    }

    @Override
    public String toString() {
        return "Message[" + body.length + " of " + dataLength + " bytes, format '" + format() + "', priority "
                + priority() + ", backout count " + backoutCount() + "]";
    }
}
