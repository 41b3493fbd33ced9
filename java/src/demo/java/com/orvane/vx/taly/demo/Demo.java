package com.orvane.vx.taly.demo;

import com.orvane.vx.taly.api.Binding;
import com.orvane.vx.taly.api.CloseOption;
import com.orvane.vx.taly.api.Completion;
import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.GetOptions;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.PutOptions;
import com.orvane.vx.taly.api.Queue;
import com.orvane.vx.taly.api.Segment;
import com.orvane.vx.taly.api.SubscribeOptions;
import com.orvane.vx.taly.api.Subscription;
import com.orvane.vx.taly.api.VxException;
import java.nio.charset.StandardCharsets;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * A short session against the queue manager that stands behind the runtime
 * (by default the embedded one): connect, open a queue, put a few messages
 * (one gathered from segments), get them back (one by correlation
 * identifier, one truncated into a small buffer), back out one unit of work
 * and commit another, show the depth; then subscribe to a topic, publish
 * messages with properties, read one back with its properties and let a
 * listener on a queue-manager thread take the other; disconnect. Each step prints what it
 * did with its completion code and reason. Pass "trace" to see the trace
 * events; set TalyEarlyTrace=fine for the native entry and exit lines.
 */
public final class Demo {

    private static final String QUEUE = "TALY.QUEUE.1";

    private Demo() {
    }

    public static void main(String[] args) {
        boolean trace = args.length > 0 && args[0].equals("trace");
        if (trace) {
            Binding.configure(new PrintingTrace(), true);
        }
        System.out.println("Taly native binding demo (trace " + (trace ? "on" : "off") + ")");
        try {
            run();
        } catch (VxException e) {
            System.out.println("Failed: " + e.getMessage());
            System.exit(1);
        }
    }

    private static void run() {
        Binding.Metadata metadata = Binding.metadata();
        step("Initialised the native library and read its metadata", Completion.OK);
        System.out.printf("  capability flags: 0x%x, level: %d, build level: %s, runtime value: %d%n",
                metadata.capabilityFlags(), metadata.level(), metadata.buildLevel(), metadata.runtimeValue());

        try (Connection connection = Connection.connect()) {
            step("Connected to the default queue manager", connection.connectCompletion());

            try (Queue queue = connection.open(QUEUE, OpenOption.OUTPUT, OpenOption.INPUT_SHARED,
                    OpenOption.INQUIRE)) {
                step("Opened queue " + queue.name() + " for output, input and inquire", queue.openCompletion());

                Message order = Message.text("order 42: two coffees").setCorrelId(bytes("ORDER-42"));
                step("Put \"order 42: two coffees\" with correlation identifier ORDER-42", queue.put(order));

                Message report = Message.text("a report far longer than the buffer it will be read into");
                step("Put a " + report.body().length + "-byte report", queue.put(report));

                byte[] header = bytes("[header]");
                byte[] body = bytes("..the body..");
                Completion gathered = queue.putGathered(Message.text(""), PutOptions.DEFAULTS,
                        Segment.of(header), new Segment(body, 2, 8), Segment.of(bytes("[end]")));
                step("Put one message gathered from three segments (talyPut)", gathered);

                step("Depth of " + QUEUE + ": " + queue.depth(), Completion.OK);

                Message byCorrelId = queue.get(GetOptions.builder().matchCorrelId(bytes("ORDER-42")).build());
                step("Got by correlation identifier ORDER-42: \"" + byCorrelId.bodyText() + "\"",
                        byCorrelId.completion());

                Message cut = queue.get(GetOptions.builder().bufferSize(16).acceptTruncated().build());
                step("Got the report into a 16-byte buffer, accepting truncation: \"" + cut.bodyText() + "\" ("
                        + cut.body().length + " of " + cut.dataLength() + " bytes)", cut.completion());

                Message whole = queue.get();
                step("Got the gathered message: \"" + whole.bodyText() + "\"", whole.completion());

                PutOptions inUnit = PutOptions.builder().syncpoint().build();
                step("Put \"undone\" under syncpoint", queue.put(Message.text("undone"), inUnit));
                int before = queue.depth();
                Completion backout = connection.backout();
                step("Backed out that unit of work: depth " + before + " before, " + queue.depth() + " after",
                        backout);

                step("Put \"kept\" under syncpoint", queue.put(Message.text("kept"), inUnit));
                step("Committed that unit of work", connection.commit());
                step("Depth of " + QUEUE + ": " + queue.depth(), Completion.OK);

                Message kept = queue.get();
                step("Got \"" + kept.bodyText() + "\"", kept.completion());
                step("Depth of " + QUEUE + ": " + queue.depth(), Completion.OK);

                step("Closed the queue", queue.close(CloseOption.NONE));
            }
            publishAndSubscribe(connection);
            step("Disconnected", connection.disconnect());
        }
    }

    private static void publishAndSubscribe(Connection connection) {
        try (Connection publisher = Connection.connect();
                Subscription prices = connection.subscribe(SubscribeOptions.to("prices/*").build())) {
            step("Subscribed to prices/* with a queue made for the subscription, "
                    + prices.queue().name(), prices.subscribeCompletion());
            Message apples = Message.text("apples 1.20").setProperty("currency", "EUR").setProperty("lot", 7);
            step("Published \"apples 1.20\" on prices/fruit with properties currency and lot",
                    publisher.publish("prices/fruit", apples, PutOptions.DEFAULTS));
            step("Published \"rain\" on weather/today, which prices/* does not match",
                    publisher.publish("weather/today", Message.text("rain"), PutOptions.DEFAULTS));
            Message got = prices.queue().get(GetOptions.builder().withProperties().build());
            step("Got \"" + got.bodyText() + "\" from the subscription with its properties " + got.properties(),
                    got.completion());

            List<String> heard = new CopyOnWriteArrayList<>();
            CountDownLatch one = new CountDownLatch(1);
            prices.queue().registerConsumer((message, call) -> {
                heard.add(message.bodyText() + "\" on thread \"" + Thread.currentThread().getName());
                one.countDown();
            });
            connection.start();
            publisher.publish("prices/veg", Message.text("leeks 0.90"), PutOptions.DEFAULTS);
            boolean delivered = await(one);
            connection.stop();
            step(delivered ? "A listener heard \"" + heard.get(0) + "\"" : "The listener heard nothing",
                    Completion.OK);
            prices.queue().deregisterConsumer();
        }
    }

    private static boolean await(CountDownLatch latch) {
        try {
            return latch.await(10, TimeUnit.SECONDS);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            return false;
        }
    }

    private static void step(String what, Completion completion) {
        System.out.println(what);
        System.out.println("  " + completion);
    }

    private static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.US_ASCII);
    }
}
