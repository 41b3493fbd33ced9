package com.orvane.vx.taly.demo;

import com.orvane.vx.taly.api.Connection;
import com.orvane.vx.taly.api.GetOptions;
import com.orvane.vx.taly.api.Message;
import com.orvane.vx.taly.api.OpenOption;
import com.orvane.vx.taly.api.Persistence;
import com.orvane.vx.taly.api.PutOptions;
import com.orvane.vx.taly.api.Queue;
import com.orvane.vx.taly.api.Requester;
import java.time.Duration;
import java.util.Optional;

/**
 * Request and reply between two processes that share one queue manager
 * through its database (VXRT_DATABASE): a requester sends orders to
 * TALY.QUEUE.1 and waits for each reply on a dynamic queue of its own; a
 * responder, in another JVM, takes each order under syncpoint, replies to
 * the order's reply-to queue and commits both together.
 *
 * <pre>
 *   SharedDemo responder COUNT
 *   SharedDemo requester COUNT
 * </pre>
 */
public final class SharedDemo {
    private static final String REQUESTS = "TALY.QUEUE.1";

    private SharedDemo() {
    }

    public static void main(String[] args) {
        int count = Integer.parseInt(args[1]);
        if (args[0].equals("responder")) {
            respond(count);
        } else {
            request(count);
        }
    }

    private static void say(String who, String what) {
        System.out.println(who + " (process " + ProcessHandle.current().pid() + "): " + what);
        System.out.flush();
    }

    private static void respond(int count) {
        GetOptions wait = GetOptions.builder().waitFor(Duration.ofSeconds(60)).syncpoint().build();
        PutOptions underSyncpoint = PutOptions.builder().syncpoint().build();
        try (Connection connection = Connection.connect();
                Queue requests = connection.open(REQUESTS, OpenOption.INPUT_SHARED)) {
            say("responder", "connected, waiting for requests on " + REQUESTS);
            for (int i = 1; i <= count; ++i) {
                Optional<Message> got = requests.receive(wait);
                if (got.isEmpty()) {
                    say("responder", "no request came in 60 s");
                    return;
                }
                Message request = got.get();
                say("responder", "got '" + request.bodyText() + "', reply to " + request.replyToQueue());
                Message reply = Message.text("confirmed: " + request.bodyText())
                    .setPersistence(Persistence.PERSISTENT);
                connection.reply(request, reply, underSyncpoint);
                connection.commit();
                say("responder", "replied and committed (the request is gone, the reply there)");
            }
            say("responder", "done");
        }
    }

    private static void request(int count) {
        try (Connection connection = Connection.connect();
                Requester requester = connection.requester(REQUESTS)) {
            say("requester", "connected, replies come to " + requester.replyQueue().name());
            for (int i = 1; i <= count; ++i) {
                String order = "order " + i + ": " + i + " coffee" + (i > 1 ? "s" : "");
                long start = System.nanoTime();
                say("requester", "sending '" + order + "'");
                Optional<Message> reply = requester.request(
                    Message.text(order).setPersistence(Persistence.PERSISTENT), Duration.ofSeconds(30));
                long millis = (System.nanoTime() - start) / 1_000_000;
                say("requester", reply.map(m -> "reply '" + m.bodyText() + "' after " + millis + " ms")
                    .orElse("no reply in 30 s"));
            }
            say("requester", "done");
        }
    }
}
